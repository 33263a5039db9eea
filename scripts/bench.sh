#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build). Comparisons end with
# "RATIO <name> <ours/theirs>" lines.
set -euo pipefail
cd "$(dirname "$0")/.."
# -O2, as Debian builds the peers we compare with; GCC 12 at -O3 also
# raises a false -Wrestrict inside std::string, which warnings-as-errors stops.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
for bench in build-bench/bin/*_bench; do
  "$bench" "$@"
done
# Comparisons with a peer outside this program (Debian's python3-bcrypt).
/usr/bin/python3 bench/kdf_bcrypt_pbkdf.py build-bench/bin/secret_bench
