#!/usr/bin/env bash
# Makes data/desktop/korvalis.png, the screenshot the metainfo names: the staged program under
# an Xvfb of its own, the terms accepted, a script running in the page pane. Needs Debian
# imagemagick, xdotool and pngquant, which the build does not: install them by hand.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
STAGED="${1:-$ROOT/build/program}"
OUT="$ROOT/data/desktop/korvalis.png"
for tool in Xvfb xdotool import pngquant; do
  command -v "$tool" >/dev/null || { echo "Falta $tool" >&2; exit 1; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A copy, so the run writes its pages there and not into the staged folder.
cp -a "$STAGED" "$work/program"
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null &
pids+=($!)
read -r -u 3 display
export DISPLAY=":$display"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
"$work/program/korvalis" >/dev/null 2>&1 &
pids+=($!)

# Positions at the designed font on this screen: "Si acepto", then Fecha y hora > Calendarios
# y fechas > Fecha en español, a script that writes today's date into the page.
xdotool search --sync --onlyvisible --name '^Korvalis$' >/dev/null
sleep 2
xdotool mousemove 296 277 click 1
sleep 4
xdotool mousemove 37 94 click 1
sleep 1
xdotool mousemove 120 112 click 1
sleep 2
xdotool mousemove 150 148 click 1
sleep 3
window="$(xdotool search --onlyvisible --name '^Korvalis$' | tail -n1)"
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/shot.png"
pngquant --force --quality 60-80 --speed 1 -o "$OUT" "$work/shot.png"
echo "$OUT"
