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
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$build" -j "$(nproc)"
}
