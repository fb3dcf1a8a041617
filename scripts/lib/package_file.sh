# The project's version ($version, from CMakeLists.txt) and `package_file
# BUILD_DIR`: where CPack leaves the Debian package in that build.
version="$(sed -n 's/^project(quillmar VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")"
package_file() {
  echo "$1/quillmar_${version}_$(dpkg --print-architecture).deb"
}
