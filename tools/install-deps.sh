#!/usr/bin/env bash
# Installs what building, running and testing Vantara needs on Debian 12.
# With --bench, also what the benchmarks compare with (Chromium, whose --app
# windows bench_remoteapps measures).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qtbase5-dev qtbase5-dev-tools libqt5xmlpatterns5-dev
  libqt5webkit5-dev
  # The modern engine for remote pages, loaded on first use.
  qtwebengine5-dev
  # The overview takes pictures of the engine's pages from its Qt Quick widget.
  qtdeclarative5-dev
  libphonon4qt5-dev phonon4qt5-backend-vlc vlc-plugin-base
  # VLC's plugin cache: without it every player loads (and runs) all plugins.
  libvlc-bin
  libtag1-dev zlib1g-dev
  xvfb xauth xdotool imagemagick x11-utils libgl1-mesa-dri
  lame librsvg2-bin
  # A private message bus for the music player's desktop controls, and the
  # desktop's notification service and the system's services (UPower,
  # NetworkManager, the sound server) as mocks on it for the tests.
  dbus-daemon python3-dbusmock
  clang libclang-rt-14-dev
  fonts-dejavu-core
  # The on-screen keyboard (Qt's virtual keyboard and the QML it is made of).
  qtvirtualkeyboard-plugin qml-module-qtquick-virtualkeyboard qml-module-qtquick2
  qml-module-qtquick-layouts qml-module-qtquick-window2 qml-module-qt-labs-folderlistmodel
  python3
  # Certificates for a test site that speaks TLS on 127.0.0.1.
  openssl
  # A machine without a network, or one whose names do not resolve, in a
  # network namespace of its own: unshare (util-linux) and ip.
  iproute2
  # Checks the package's software-centre metadata.
  appstream
)

[ "${1:-}" = "--bench" ] && packages+=(chromium)

missing=()
# A machine may carry its own Node.js; take Debian's only when there is none.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
