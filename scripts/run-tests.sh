#!/usr/bin/env bash
# Sets up a fresh machine, configures, builds and runs every test through CTest.
# With VELASTRIN_SANITIZE=ON everything is built with AddressSanitizer and
# UndefinedBehaviorSanitizer in its own folder; the fuzz label is left out there, since the fuzz
# targets are always built with both sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
sanitize=${VELASTRIN_SANITIZE:-OFF}
ctest_args=()
if [ "$sanitize" = ON ]; then
  build=${BUILD_DIR:-build-sanitize}
  ctest_args+=(-LE fuzz)
else
  build=${BUILD_DIR:-build}
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELASTRIN_SANITIZE="$sanitize"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "${ctest_args[@]}"
