#!/usr/bin/env bash
# Builds Slatewick and runs every test. With --sanitize, builds a separate tree
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs the tests there.
# Warnings are errors here; the validators, lintian and mmdebstrap let CI check the installed
# tree and the package.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Each library and test program builds as a few large units (benches and tools stay file by
# file): a full build takes well under half the processor time it did.
export CMAKE_EXTRA="-DSLATEWICK_WERROR=ON -DCMAKE_UNITY_BUILD=ON" EXTRA_PACKAGES="desktop-file-utils appstream dbus lintian mmdebstrap"
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR="$here/build-sanitize" BUILD_TYPE=Debug CMAKE_EXTRA="$CMAKE_EXTRA -DSLATEWICK_SANITIZE=ON -DSLATEWICK_EXTRAS=OFF"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$here/tests/sanitizer/lsan.supp:print_suppressions=0"
fi
# Real media for the tests: exFAT cards through FUSE and a network share over ssh.
export EXTRA_PACKAGES="${EXTRA_PACKAGES:-} sshfs openssh-server openssh-client exfat-fuse exfatprogs fuse3 strace libxml2-utils trayer"
source "$here/scripts/setup.sh"
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600
