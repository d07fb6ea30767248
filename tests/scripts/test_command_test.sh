#!/usr/bin/env bash
# scripts/test.sh must run the tests whatever an earlier configure left in the
# build folder's cache (scripts/main.sh leaves the tests switched off), and
# must fail when ctest finds no tests.
#
# The scripts run in a scratch copy with stand-ins for cmake and ctest on the
# PATH: the cmake stand-in keeps a cache per build folder as cmake does (a -D
# value stays until another -D replaces it); the ctest stand-in finds tests
# only when that cache has the tests switched on, and like ctest exits 0 on
# finding none unless --no-tests=error is given (then 8).
# Usage: test_command_test.sh <scripts folder>
set -euo pipefail

scripts="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessarin-scripts-XXXXXX")"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/repo/scripts" "$work/bin"
cp "$scripts/main.sh" "$scripts/test.sh" "$scripts/setup.sh" "$work/repo/scripts/"
printf '#!/usr/bin/env bash\necho "round trip skipped"\n' > "$work/repo/scripts/roundtrip.sh"
log="$work/calls.log"

cat > "$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
printf 'install ok installed'
STUB

cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get must not be needed: $*" >&2
exit 1
STUB

cat > "$work/bin/cmake" <<'STUB'
#!/usr/bin/env bash
set -euo pipefail
echo "cmake $*" >> "$CALLS_LOG"
build=""
defs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) exit 0 ;;
    -B) build="$2"; shift ;;
    -D*) defs+=("${1#-D}") ;;
  esac
  shift
done
[ -n "$build" ] || exit 0
mkdir -p "$build"
cache="$build/cache.txt"
touch "$cache"
for d in "${defs[@]}"; do
  name="${d%%=*}"
  name="${name%%:*}"
  [ "${DROP_OPTION:-}" = "$name" ] && continue
  grep -v "^$name=" "$cache" > "$cache.new" || true
  echo "$name=${d#*=}" >> "$cache.new"
  mv "$cache.new" "$cache"
done
STUB

cat > "$work/bin/ctest" <<'STUB'
#!/usr/bin/env bash
set -euo pipefail
echo "ctest $*" >> "$CALLS_LOG"
dir=""
strict=0
while [ $# -gt 0 ]; do
  case "$1" in
    --test-dir) dir="$2"; shift ;;
    --no-tests=error) strict=1 ;;
  esac
  shift
done
if grep -qx "TESSARIN_BUILD_TESTS=ON" "$dir/cache.txt" 2>/dev/null; then
  echo "100% tests passed, 0 tests failed out of 5"
  echo "ran $dir" >> "$CALLS_LOG"
  exit 0
fi
echo "No tests were found!!!"
[ "$strict" = 1 ] && exit 8
exit 0
STUB
chmod +x "$work/bin/"*

run() {
  CALLS_LOG="$log" PATH="$work/bin:$PATH" bash "$work/repo/scripts/$1" > "$work/out.txt" 2>&1
}
fail() {
  echo "FAILED: $*"
  echo "--- calls"
  cat "$log"
  echo "--- output"
  cat "$work/out.txt"
  exit 1
}

# 1. main.sh, then test.sh: the Release tests and the sanitizer tests run.
run main.sh || fail "main.sh failed"
grep -qx "TESSARIN_BUILD_TESTS=OFF" "$work/repo/build/cache.txt" || fail "main.sh no longer caches the tests off"
: > "$log"
run test.sh || fail "test.sh failed after main.sh"
grep -qx "ran build" "$log" || fail "test.sh ran no Release tests after main.sh"
grep -qx "ran build-sanitize" "$log" || fail "test.sh ran no sanitizer tests"
for option in TESSARIN_BUILD_TESTS=ON TESSARIN_BUILD_GUI=ON TESSARIN_SANITIZE=OFF; do
  grep -qx "$option" "$work/repo/build/cache.txt" || fail "build/ is not configured with $option"
done

# 2. A configure that leaves no tests makes test.sh fail instead of passing
#    with nothing run.
rm -rf "$work/repo/build" "$work/repo/build-sanitize"
: > "$log"
if DROP_OPTION=TESSARIN_BUILD_TESTS run test.sh; then
  fail "test.sh passed although ctest found no tests"
fi
grep -q "^ctest .*--no-tests=error" "$log" || fail "ctest is not told to fail without tests"

echo "test.sh runs the tests after main.sh and fails when there are none"
