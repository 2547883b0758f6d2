#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzzers for a bounded
# time, then the suite of the normal build, whose summary comes last. Exits
# non-zero when any of them failed.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prepare_and_build
failed=0

# Any sanitizer report ends its test with a failure. Leaks are reported too,
# except blocks that third-party libraries allocated (tests/lsan.supp): stacks
# of allocations end at the allocating function, which the suppressions name
# (raise malloc_context_size to see more of a stack while debugging).
sanitized="${VANTARA_ASAN_BUILD_DIR:-$repo/build-asan}"
build_in "$sanitized" -DVANTARA_SANITIZE=ON -DVANTARA_BENCH=OFF
(
    cd "$sanitized"
    # The leak check does not follow dynamic TLS (intercept_tls_get_addr=0):
    # the engine's threads hold blocks there that this sanitizer misreads as
    # ranges to scan, and its leak check then crashes. Static TLS is scanned.
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1:malloc_context_size=2:intercept_tls_get_addr=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
    echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
    ctest --output-on-failure -j 2 --timeout 900
) || failed=1

bash "$repo/tools/fuzz.sh" || failed=1

echo "== Test suite"
cd "$build"
ctest --output-on-failure -j 2 --timeout 900 || failed=1
exit "$failed"
