# Shared by the run and test scripts: installs what is missing and builds.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${VANTARA_BUILD_DIR:-$repo/build}"

# prepare_and_build [target...]: builds the named targets of $build (their
# dependencies with them), or the whole tree when none is named.
prepare_and_build() {
    bash "$repo/tools/install-deps.sh"
    # The pinned script libraries of the resource bundle. A node_modules that
    # links to another checkout's is that checkout's to update: npm ci would
    # empty it through the link (a fresh checkout's lock always looks newer).
    if [ ! -L "$repo/node_modules" ] &&
        { [ ! -f "$repo/node_modules/.package-lock.json" ] ||
            [ "$repo/package-lock.json" -nt "$repo/node_modules/.package-lock.json" ]; }; then
        (cd "$repo" && npm ci --no-audit --no-fund --loglevel=error)
    fi
    configure_in "$build"
    local targets=()
    for t in "$@"; do targets+=(--target "$t"); done
    cmake --build "$build" -j "$(nproc)" "${targets[@]}"
}

# configure_in <folder> [cmake options]
configure_in() {
    local folder=$1
    shift
    cmake -S "$repo" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# build_in <folder> [cmake options]: configures and builds the tree there.
build_in() {
    configure_in "$@"
    cmake --build "$1" -j "$(nproc)"
}
