#!/bin/sh
# Runs a test program in a network namespace of its own whose only interface is
# loopback, brought up: the fixed ports it binds (5000, 6000) cannot clash with a
# program on this machine or with a test running beside it, and nothing it sends
# leaves the namespace. Listing the tests needs no namespace. Without the
# privilege to make a namespace (root, or CAP_SYS_ADMIN) the test is skipped
# with exit status 77.
case " $* " in
*" --gtest_list_tests "*) exec "$@" ;;
esac
if ! unshare --net true 2>/dev/null; then
  echo "SKIPPED: this test binds the fixed ports 5000 and 6000 and runs only in a private network namespace, which needs root"
  exit 77
fi
exec unshare --net sh -c 'PATH="$PATH:/usr/sbin:/sbin"; ip link set lo up && exec "$@"' private-network "$@"
