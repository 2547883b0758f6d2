# Shared by the run and test scripts: installs what is missing and builds.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${VANTARA_BUILD_DIR:-$repo/build}"

prepare_and_build() {
    bash "$repo/tools/install-deps.sh"
    # The pinned script libraries of the resource bundle.
    if [ ! -f "$repo/node_modules/.package-lock.json" ] ||
        [ "$repo/package-lock.json" -nt "$repo/node_modules/.package-lock.json" ]; then
        (cd "$repo" && npm ci --no-audit --no-fund --loglevel=error)
    fi
    build_in "$build" "$@"
}

# build_in <folder> [cmake options]: configures and builds the tree there.
build_in() {
    local folder=$1
    shift
    cmake -S "$repo" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$folder" -j "$(nproc)"
}
