#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantara with the Apps folder of
# the build. Without a display it starts on a virtual one, saves a screenshot
# of the home screen and says where it is.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prepare_and_build

cd "$build"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./Vantara
fi

shot="$build/screenshots/home.png"
mkdir -p "$(dirname "$shot")"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    ./Vantara & pid=$!
    sleep "${VANTARA_SHOT_DELAY:-6}"
    import -window root "$0"
    kill $pid; wait $pid 2>/dev/null || true
' "$shot"
echo "No display here: Vantara ran on a virtual 1280x800 display."
echo "Screenshot of the home screen: $shot"
