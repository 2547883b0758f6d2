#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prepare_and_build
cd "$build"
ctest --output-on-failure -j 2 --timeout 900
