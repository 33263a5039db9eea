#!/usr/bin/env bash
# Builds the library and runs the demo host: it loads the library as a host
# application does, initialises it in the documented order and prints the
# registered message numbers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target orvalis-demo-host connectdialog
exec build/bin/orvalis-demo-host "$@"
