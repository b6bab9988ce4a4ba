#!/bin/sh
# Renders the SVG sources into the pictures the program folder ships. Run by hand after
# changing a drawing (needs rsvg-convert and ImageMagick); the build uses the committed files.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program="$here/../program"
resources="$here/../resources"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
magick=/usr/bin/convert

# The title-bar pictures sit on the pages' #a3c1e0 bar: flattened onto it, no ragged edges.
for name in script categoria; do
  rsvg-convert -w 32 -h 32 "$here/$name.svg" -o "$tmp/$name.png"
  $magick "$tmp/$name.png" -background '#a3c1e0' -flatten +dither -colors 64 "$program/$name.gif"
done
rsvg-convert -w 300 -h 80 "$here/logo-text2.svg" -o "$tmp/logo.png"
$magick "$tmp/logo.png" -background white -flatten -quality 92 "$program/logo text2.jpg"
rsvg-convert -w 468 -h 60 "$here/banner3.svg" -o "$tmp/banner.png"
$magick "$tmp/banner.png" -background white -flatten +dither -colors 128 "$program/banner3.gif"
rsvg-convert -w 200 -h 120 "$here/logo.svg" -o "$program/logo.png"

# Related files of the shipped scripts.
for name in paisaje1 paisaje2 paisaje3; do
  rsvg-convert "$here/resources-src/$name.svg" -o "$tmp/$name.png"
  $magick "$tmp/$name.png" -quality 88 "$resources/$name.jpg"
done
for name in boton-inicio boton-inicio-on; do
  rsvg-convert "$here/resources-src/$name.svg" -o "$tmp/$name.png"
  $magick "$tmp/$name.png" -background white -flatten +dither -colors 64 "$resources/$name.gif"
done
rsvg-convert "$here/resources-src/flecha-arriba.svg" -o "$resources/flecha-arriba.png"
