#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite in a Release build, then
# the core, the platform layer and the container reader again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
#
# Every option the runs rely on is given here, so whatever an earlier
# configure (scripts/main.sh, or a hand-made one) left in the cache of build/
# is overridden; and ctest fails when it finds no tests at all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs="$(nproc)"

# Every C++ file is laid out as .clang-format says.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
  if [ ${#sources[@]} -gt 0 ] && ! clang-format --dry-run -Werror "${sources[@]}" >/dev/null 2>&1; then
    echo "These files are not formatted (run clang-format -i on them):"
    for f in "${sources[@]}"; do clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "  $f"; done
    exit 1
  fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSARIN_BUILD_TESTS=ON -DTESSARIN_BUILD_GUI=ON -DTESSARIN_BUILD_BENCH=ON \
  -DTESSARIN_SANITIZE=OFF -DTESSARIN_FUZZ=OFF >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs" --timeout 600

sanitized=(test_core test_platform test_platform_crypto test_keys test_container test_decrypt test_fuzz_replay)
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARIN_BUILD_TESTS=ON -DTESSARIN_SANITIZE=ON -DTESSARIN_BUILD_GUI=OFF -DTESSARIN_BUILD_BENCH=OFF \
  -DTESSARIN_FUZZ=OFF >/dev/null
cmake --build build-sanitize -j"$jobs" --target "${sanitized[@]}"
labels="^($(IFS='|'; echo "${sanitized[*]}"))\$"
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs" -L "$labels" --timeout 600
