#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, and the fuzz targets over their seed
# corpora. Installs what the machine lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $(id -u) -eq 0 ]]; then
  scripts/install-deps.sh
else
  scripts/install-deps.sh || { echo "test: install the missing packages first" >&2; exit 1; }
fi

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== tests (the store tests also over a private PostgreSQL server)"
export -f run_suite
export jobs
scripts/with-postgres.sh bash -c 'run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo'

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer (with the server too)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  scripts/with-postgres.sh bash -c \
  'run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_BUILD_BENCHMARKS=OFF'

echo "== fuzz targets over their seed corpora"
scripts/fuzz.sh 0
