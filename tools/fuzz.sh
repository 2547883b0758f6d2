#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang and runs each for a
# bounded time (VANTARA_FUZZ_SECONDS, 60 by default) from its committed seeds.
# A failing input is kept in <build-fuzz>/artifacts/<name>/; the script then
# exits non-zero.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
fuzz_build="${VANTARA_FUZZ_BUILD_DIR:-$repo/build-fuzz}"
seconds="${VANTARA_FUZZ_SECONDS:-60}"
bash "$repo/tools/install-deps.sh"

cmake -S "$repo" -B "$fuzz_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVANTARA_FUZZ=ON -DVANTARA_TESTS=OFF -DVANTARA_BENCH=OFF >/dev/null
cmake --build "$fuzz_build" --target vantara_fuzzers -j "$(nproc)"

echo "== Fuzzers, ${seconds} s each"
failed=0
for name in archive descriptor cookiejar adswitch scriptcall; do
    corpus="$fuzz_build/corpus/$name"
    artifacts="$fuzz_build/artifacts/$name"
    log="$fuzz_build/fuzz_$name.log"
    mkdir -p "$corpus" "$artifacts"
    options=()
    # The XML parsing itself is Qt's and not instrumented: tokens help.
    case "$name" in descriptor | adswitch) options+=("-dict=$repo/fuzz/xml.dict") ;; esac
    # New inputs go to the build's corpus; the committed seeds stay as they are.
    if "$fuzz_build/fuzz_$name" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "${options[@]}" "$corpus" "$repo/fuzz/corpus/$name" >"$log" 2>&1; then
        result="passed"
    else
        tail -n 40 "$log"
        result="FAILED (input kept in $artifacts)"
        failed=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$name: ${executions:-0} executions, $result"
done
exit "$failed"
