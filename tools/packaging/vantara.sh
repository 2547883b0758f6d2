#!/bin/sh
# Starts Vantara for the current user. The shell keeps its apps in the Apps
# folder beside the program, so each user runs a private copy of the
# installed program folder (refreshed when the installed version changes,
# keeping the apps the user installed). Its cookies, web storage and icons go
# to the folder it starts in: a working folder apart from the program, so
# that no site's cookie file can take the name of a program file.
#
#   $data/program   the copy of the program folder, with the user's Apps
#   $data/work      the working folder: cookie files, cache, icons
set -eu
installed="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)/@program_dir@"
data="${XDG_DATA_HOME:-$HOME/.local/share}/vantara"
program="$data/program"
work="$data/work"
stamp="$program/.installed-version"
version="@PROJECT_VERSION@"

# Earlier versions kept the program, the apps and the user's data together in
# $data: the apps go to the program copy, the program files go (the copy is
# made afresh below), and whatever else is there is the user's data. The old
# stamp goes last, so that an interrupted move is finished at the next start.
if [ -f "$data/.installed-version" ]; then
    mkdir -p "$program" "$work"
    if [ -d "$data/Apps" ] && [ ! -e "$program/Apps" ]; then
        mv "$data/Apps" "$program/Apps"
    fi
    for f in "$installed"/*; do
        name=$(basename "$f")
        [ "$name" = "Apps" ] && continue
        rm -rf "${data:?}/$name"
    done
    for f in "$data"/* "$data"/.[!.]*; do
        [ -e "$f" ] || continue
        name=$(basename "$f")
        case "$name" in program | work | Apps | .installed-version) continue ;; esac
        [ -e "$work/$name" ] || mv "$f" "$work/"
    done
    rm -f "$data/.installed-version"
fi

mkdir -p "$program/Apps" "$work"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$version" ] || [ ! -x "$program/Vantara" ]; then
    for f in "$installed"/*; do
        name=$(basename "$f")
        [ "$name" = "Apps" ] && continue
        cp -Rf "$f" "$program/"
    done
    # Sample apps the user does not have yet; never overwrite the user's.
    for app in "$installed"/Apps/*; do
        [ -e "$app" ] || continue
        [ -e "$program/Apps/$(basename "$app")" ] || cp -R "$app" "$program/Apps/"
    done
    printf '%s' "$version" > "$stamp"
fi
cd "$work"
# The program's own menu entry then starts this starter, not the copy.
VANTARA_STARTER="$(readlink -f "$0")"
export VANTARA_STARTER
exec "$program/Vantara" "$@"
