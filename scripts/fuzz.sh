#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one.
#   scripts/fuzz.sh          fuzz each target for 60 seconds
#   scripts/fuzz.sh SECONDS  fuzz each for SECONDS; 0 only replays the seed corpus
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORV_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

passed=0
failed=0
for fuzzer in build-fuzz/bin/fuzz_*; do
  name=${fuzzer##*/fuzz_}
  corpus=fuzz/corpus/$name
  work=$(mktemp -d)
  if [[ $seconds -eq 0 ]]; then
    args=(-runs=0 "$corpus")
  else
    args=(-max_total_time="$seconds" -timeout=10 "$work" "$corpus")
  fi
  if "$fuzzer" "${args[@]}" >"$work/log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz $name: ok"
  else
    failed=$((failed + 1))
    echo "fuzz $name: FAILED"
    tail -40 "$work/log"
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
