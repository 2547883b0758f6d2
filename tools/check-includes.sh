#!/usr/bin/env bash
# Lists each folder's includes of the other folders and fails when one points
# to a folder above it. The order, top to bottom: a folder may include itself
# and the folders on the lines below its own, nothing on its line or above.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

layers=(
    "app"                                   # assembles everything: the window and the program
    "apps install media mail ads webengine" # the subsystems, which never include each other
                                            # (webengine: the library loaded on first use)
    "web"                                   # pages, network identity and cookies
    "shell"                                 # the ground: shell interface, script calls, messages, rules
)

declare -A level
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do level[$folder]=$i; done
done

failed=0
for folder in "${!level[@]}"; do
    uses=$(grep -rhoE '^#include "[A-Za-z]+/' "$folder" --include='*.cpp' --include='*.h' \
        | sed -E 's/^#include "([A-Za-z]+)\/$/\1/' | sort -u | grep -vx "$folder" || true)
    echo "$folder: ${uses//$'\n'/ }"
    for used in $uses; do
        [ -n "${level[$used]+x}" ] || continue
        if [ "${level[$used]}" -le "${level[$folder]}" ]; then
            grep -rnE "^#include \"$used/" "$folder" --include='*.cpp' --include='*.h' | sed 's/^/  not allowed: /'
            failed=1
        fi
    done
done
[ "$failed" -eq 0 ] && echo "include order: ok" || echo "include order: a folder includes one on its level or above"
exit "$failed"
