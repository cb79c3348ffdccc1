#!/usr/bin/env bash
# Builds Slatewick and starts it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_TARGET=slatewick
source "$here/scripts/setup.sh"
exec "$BUILD_DIR/src/app/slatewick"
