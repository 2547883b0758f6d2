#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantara with the Apps folder of
# the build. Without a display it starts on a virtual one, saves a screenshot
# of the home screen and says where it is. The shell keeps cookies, web
# storage and icons in the folder it starts in: build/work, never the build
# folder itself, where a site's cookie file could replace a program file.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# The program alone (with its library and the Apps folder it depends on); the
# tests, benchmarks and the packing tool are the test command's to build.
prepare_and_build Vantara

work="$build/work"
mkdir -p "$work"
cd "$work"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/Vantara"
fi

shot="$build/screenshots/home.png"
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" & pid=$!
    sleep "${VANTARA_SHOT_DELAY:-6}"
    import -window root "$0"
    kill $pid; wait $pid 2>/dev/null || true
' "$shot" "$build/Vantara"
echo "No display here: Vantara ran on a virtual 1280x800 display."
echo "Screenshot of the home screen: $shot"
