#!/usr/bin/env bash
# Runs one test in a fresh working folder with its own HOME and XDG folders,
# so no test touches the real user's files.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/vantara-test.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/work" "$root/runtime"
chmod 700 "$root/runtime"
# Temporary folders go with the rest: QtWebEngine may still write into a
# profile's folder after the test has let go of it.
export TMPDIR="$root"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/home/.config"
export XDG_DATA_HOME="$root/home/.local/share"
export XDG_CACHE_HOME="$root/home/.cache"
export XDG_RUNTIME_DIR="$root/runtime"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
cd "$root/work"
"$@"
