# Installation and the Debian package:
#   cmake --preset release && cmake --build --preset release --target package
# gives build/release/quillmar_<version>_<arch>.deb with the three programs, the
# manager's desktop entry, icon and software-centre metadata, quillmar-cli's
# completion for bash, zsh and fish, the manual pages and the privilege note.
# The package gives no capability and sets no setuid bit: the note says how an
# administrator gives CAP_NET_ADMIN, where it is wanted.
include(GNUInstallDirs)

install(TARGETS quillmar-manager quillmar-cli quillmar-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quillmar-manager-windows LIBRARY DESTINATION ${QUILLMAR_MAIN_WINDOW_MODULE_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/quillmar-manager.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/quillmar-manager.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/privileges.txt DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME PRIVILEGES)
# Where Ansible looks for modules of system packages.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/ansible/quillmar_printer.py
  DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/plugins/modules)

# The host firewall's openings for the modules' answers, where firewalld and
# ufw look for them, and the systemd user timer that checks a site against its
# table (quillmar-check@<the table's escaped path>.timer).
install(FILES ${CMAKE_CURRENT_LIST_DIR}/firewall/quillmar.xml DESTINATION lib/firewalld/services)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/firewall/quillmar.ufw DESTINATION /etc/ufw/applications.d RENAME quillmar)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/systemd/quillmar-check@.service ${CMAKE_CURRENT_LIST_DIR}/systemd/quillmar-check@.timer
  DESTINATION lib/systemd/user)
# A file under /etc is the administrator's once installed: an upgrade asks
# before it replaces a changed one.
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/ufw/applications.d/quillmar\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)

# Manual pages are installed compressed, as Debian keeps them.
set(quillmar_manual_pages)
foreach(page quillmar-manager quillmar-cli quillmar-sim)
  set(source ${CMAKE_CURRENT_LIST_DIR}/man/${page}.1)
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  # The page names the version the project has (@PROJECT_VERSION@).
  set(versioned ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${source} ${versioned} @ONLY)
  add_custom_command(OUTPUT ${compressed}
    COMMAND sh -c "gzip -9n -c '${versioned}' > '${compressed}'"
    DEPENDS ${versioned}
    VERBATIM)
  list(APPEND quillmar_manual_pages ${compressed})
endforeach()
add_custom_target(quillmar-manual-pages ALL DEPENDS ${quillmar_manual_pages})
install(FILES ${quillmar_manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# quillmar-cli writes its completion scripts itself, from its verbs; each goes
# where its shell looks for the completions of installed programs.
set(quillmar_completion_files)
foreach(shell bash zsh fish)
  set(script ${PROJECT_BINARY_DIR}/completions/quillmar-cli.${shell})
  add_custom_command(OUTPUT ${script}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completions
    # A sanitizer build's program may not hold up the build over what it left
    # allocated at its end.
    COMMAND sh -c "ASAN_OPTIONS=detect_leaks=0 '$<TARGET_FILE:quillmar-cli>' completion ${shell} > '${script}'"
    DEPENDS quillmar-cli
    VERBATIM)
  list(APPEND quillmar_completion_files ${script})
endforeach()
add_custom_target(quillmar-completions ALL DEPENDS ${quillmar_completion_files})
install(FILES ${PROJECT_BINARY_DIR}/completions/quillmar-cli.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillmar-cli)
install(FILES ${PROJECT_BINARY_DIR}/completions/quillmar-cli.zsh
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions RENAME _quillmar-cli)
install(FILES ${PROJECT_BINARY_DIR}/completions/quillmar-cli.fish
  DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# The AppStream metadata software centres list the manager by. Its releases
# are written from NEWS, the project's changelog, so that the two never
# disagree; its screenshots (packaging/screenshots/, taken from the program by
# scripts/screenshots.sh) are published under QUILLMAR_WEB_ADDRESS.
set(QUILLMAR_WEB_ADDRESS "https://quillmar.invalid"
  CACHE STRING "Where the project's home page and the metadata's screenshots are published")
set(QUILLMAR_APPSTREAM_ID com.quillmar.manager)
find_program(QUILLMAR_APPSTREAMCLI appstreamcli REQUIRED)
set(quillmar_metainfo ${PROJECT_BINARY_DIR}/metainfo/${QUILLMAR_APPSTREAM_ID}.metainfo.xml)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillmar-manager.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/metainfo/without-releases.xml @ONLY)
add_custom_command(OUTPUT ${quillmar_metainfo}
  COMMAND ${QUILLMAR_APPSTREAMCLI} news-to-metainfo --format text ${PROJECT_SOURCE_DIR}/NEWS
          ${PROJECT_BINARY_DIR}/metainfo/without-releases.xml ${quillmar_metainfo}
  DEPENDS ${PROJECT_SOURCE_DIR}/NEWS ${PROJECT_BINARY_DIR}/metainfo/without-releases.xml
  VERBATIM)
add_custom_target(quillmar-metainfo ALL DEPENDS ${quillmar_metainfo})
install(FILES ${quillmar_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

if(QUILLMAR_BUILD_TESTS)
  # The metadata and the desktop entry as software centres and desktops check
  # them, every issue counted (the addresses are not fetched: a build machine
  # need not reach them).
  add_test(NAME packaging.metainfo_is_valid
    COMMAND ${QUILLMAR_APPSTREAMCLI} validate --pedantic --strict --no-net ${quillmar_metainfo})
  find_program(QUILLMAR_DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
  add_test(NAME packaging.desktop_entry_is_valid
    COMMAND ${QUILLMAR_DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_LIST_DIR}/quillmar-manager.desktop)
  # NEWS has a release of this version, and the metadata lists it.
  add_test(NAME packaging.metainfo_releases_this_version
    COMMAND grep -q "<release type=\"stable\" version=\"${PROJECT_VERSION}\"" ${quillmar_metainfo})
  add_test(NAME packaging.manual_lists_every_verb
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_manual.sh $<TARGET_FILE:quillmar-cli>
            ${CMAKE_CURRENT_LIST_DIR}/man/quillmar-cli.1)
endif()

set(QUILLMAR_PACKAGE_MAINTAINER "Quillmar printer manager maintainers <maintainers@quillmar.invalid>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VENDOR Quillmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLMAR_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find, configure and upgrade Quillmar LAN and Wi-Fi printer modules")
set(CPACK_PACKAGE_DESCRIPTION "The management programs for Quillmar point-of-sale printers that carry a LAN \
or Wi-Fi module: quillmar-manager (the desktop program) and quillmar-cli (the \
same operations from a terminal) find the modules on every network the PC is \
attached to, change their address and Wi-Fi settings, write settings over a \
COM port or USB, reboot them and upgrade their firmware. quillmar-sim \
simulates modules for demonstrations and tests. An Ansible module, quillmar_printer, \
sets one printer's fields by its MAC from a playbook.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# QtKeychain reaches the desktop's Secret Service (remembered device passwords)
# through libsecret, which it loads when it runs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsecret-1-0, gnome-keyring | kwalletmanager")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libcap2-bin, ansible-core, nftables")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
