#!/usr/bin/env bash
# Installs what is missing, builds, stages the program folder (build/program) and starts Korvalis.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$ROOT/tools/setup.sh"
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec "$BUILD_DIR/program/korvalis" "$@"
