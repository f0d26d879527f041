#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest. Tests
# that need a screen start their own virtual display.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test
cmake -S . -B build -DLIGHTNING_TESTS=ON -DLIGHTNING_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)"
export MESA_SHADER_CACHE_DISABLE=true
ctest --test-dir build --output-on-failure -j2 "$@"
