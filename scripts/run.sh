#!/usr/bin/env bash
# Builds Slatewick and starts it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/setup.sh"
program="$BUILD_DIR/src/app/slatewick"
if [ ! -x "$program" ]; then
  echo "Slatewick's libraries are built; the program itself is not written yet."
  exit 0
fi
exec "$program"
