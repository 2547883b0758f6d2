#!/usr/bin/env bash
# Renders the home screen's artwork from its SVG sources (resources/artwork/home)
# into the images that the resource bundle and the sample apps carry. The
# rendered files are committed, so a build needs no renderer: run this only after
# changing a source. Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
src="$repo/resources/artwork/home"
res="$repo/resources"
apps="$repo/apps/bundled"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# No timestamps in the written files, so rendering twice changes nothing.
stable=(-strip -define png:exclude-chunks=date,time)

# png SOURCE OUT WIDTH HEIGHT
png() {
    mkdir -p "$(dirname "$2")"
    rsvg-convert -w "$3" -h "$4" "$src/$1" -o "$tmp/out.png"
    convert "$tmp/out.png" "${stable[@]}" "PNG32:$2"
}

# tile SOURCE OUT SIZE: an icon tile with the shared gloss laid over it.
tile() {
    mkdir -p "$(dirname "$2")"
    rsvg-convert -w "$3" -h "$3" "$src/$1" -o "$tmp/base.png"
    rsvg-convert -w "$3" -h "$3" "$src/gloss.svg" -o "$tmp/gloss.png"
    convert "$tmp/base.png" "$tmp/gloss.png" -composite "${stable[@]}" "PNG32:$2"
}

# Wallpaper, large enough to cover common desktops.
mkdir -p "$res/assets/bg"
rsvg-convert -w 1920 -h 1200 "$src/wallpaper.svg" -o "$tmp/wall.png"
convert "$tmp/wall.png" -strip -interlace JPEG -quality 90 "$res/assets/bg/m10.jpg"
png title.svg "$res/assets/bg/bar.png" 76 14

# The dock.
for name in safari mail music photos; do
    tile "$name.svg" "$res/assets/ios7/$name.png" 150
done

# Taskbar and status bar controls.
png logo.svg "$res/assets/icons/start.png" 32 32
png glyph-browser.svg "$res/assets/icons/browser.png" 24 24
png glyph-music.svg "$res/assets/icons/iconmusic.png" 24 24
png glyph-mail.svg "$res/assets/icons/iconmail.png" 26 18
png glyph-back.svg "$res/assets/icons/n1.png" 20 20
png glyph-forward.svg "$res/assets/icons/n2.png" 20 20
png glyph-power.svg "$res/assets/icons/quite.png" 20 20
png glyph-close.svg "$res/assets/icons/close.png" 20 20
png glyph-desktop.svg "$res/assets/icons/windows.png" 22 22
png glow.svg "$res/assets/icons/glow.png" 120 110
png taskbar.svg "$res/assets/graphics/bg.png" 16 40

# The program's icon, in the sizes the desktop asks for.
layers=()
for s in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$s" -h "$s" "$src/logo.svg" -o "$tmp/logo-$s.png"
    layers+=("$tmp/logo-$s.png")
done
convert "${layers[@]}" "$res/happy.ico"

# The sample apps' icons.
tile app-calculator.svg "$apps/Calculator/icon.png" 150
tile app-notes.svg "$apps/Notes/icon.png" 150
tile app-maps.svg "$apps/Maps/icon.png" 150
tile app-wikipedia.svg "$apps/Wikipedia/icon.png" 150
