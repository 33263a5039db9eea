#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build). Comparisons end with
# "RATIO <name> <ours/theirs>" lines.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
for bench in build-bench/bin/*_bench; do
  "$bench" "$@"
done
# Comparisons with a peer outside this program (Debian's python3-bcrypt).
/usr/bin/python3 bench/kdf_bcrypt_pbkdf.py build-bench/bin/secret_bench
