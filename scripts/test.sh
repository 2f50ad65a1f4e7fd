#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite:
#   1. the normal build (program, engine, window tests) and all its tests;
#   2. the installed program and the Debian package (scripts/check_install.sh);
#   3. the engine again under AddressSanitizer + UndefinedBehaviorSanitizer, and its tests;
#   4. the fuzz targets, 30 s each (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

jobs=$(nproc)
# Tests never touch the real user's settings or runtime folders.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== install and package"
bash scripts/check_install.sh build

echo "== engine under AddressSanitizer + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVU_SANITIZE=ON -DTAVU_ENGINE_ONLY=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== fuzzing"
bash scripts/fuzz.sh
