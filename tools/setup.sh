#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), then configures and builds.
# Sourced by run.sh and test.sh; BUILD_DIR and the configure options come from them.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config ccache git python3
  qt6-base-dev qt6-webengine-dev qt6-svg-dev qt6-translations-l10n libgl-dev
  fonts-liberation2
  libqscintilla2-qt6-dev libsqlcipher-dev libgumbo-dev libgmime-3.0-dev
  libbenchmark-dev clang libclang-rt-14-dev clang-format
  msmtp python3-aiosmtpd util-linux strace patch diffutils
  xauth xvfb iproute2 libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev qt6-declarative-dev
  desktop-file-utils appstream man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Instalando: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CONFIGURE_OPTIONS:-}
cmake --build "$BUILD_DIR" -j2
