#!/bin/sh
# Starts Vantara for the current user. The shell keeps its apps in the Apps
# folder beside the program and its cookies and web storage in the folder it
# starts in, so each user runs a private copy of the installed program
# folder; the copy is refreshed when the installed version changes, and apps
# the user installed are kept.
set -eu
installed="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)/@program_dir@"
data="${XDG_DATA_HOME:-$HOME/.local/share}/vantara"
stamp="$data/.installed-version"
version="@PROJECT_VERSION@"

mkdir -p "$data/Apps"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$version" ] || [ ! -x "$data/Vantara" ]; then
    for f in "$installed"/*; do
        name=$(basename "$f")
        [ "$name" = "Apps" ] && continue
        cp -Rf "$f" "$data/"
    done
    # Sample apps the user does not have yet; never overwrite the user's.
    for app in "$installed"/Apps/*; do
        [ -e "$app" ] || continue
        [ -e "$data/Apps/$(basename "$app")" ] || cp -R "$app" "$data/Apps/"
    done
    printf '%s' "$version" > "$stamp"
fi
cd "$data"
# The program's own menu entry then starts this starter, not the copy.
VANTARA_STARTER="$(readlink -f "$0")"
export VANTARA_STARTER
exec ./Vantara "$@"
