#!/usr/bin/env bash
# Sets up, builds (Release) and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
./build/bench/core/bench_core
