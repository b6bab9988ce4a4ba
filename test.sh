#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
CONFIGURE_OPTIONS="-DKORVALIS_BUILD_TESTS=ON -DKORVALIS_BUILD_BENCH=ON"
source "$ROOT/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 900 -j1
