#!/usr/bin/env bash
# Builds the library and opens the demo host on a sample session database
# (seeded on first run). Without a display it runs under xvfb-run, saves a
# screenshot of the windows and prints where it is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target orvalis-demo-host connectdialog
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec build/bin/orvalis-demo-host "$@"
fi
shot="$PWD/build/demo-host.png"
xvfb-run -a -s "-screen 0 1280x800x24" build/bin/orvalis-demo-host --screenshot "$shot" "$@"
echo "screenshot: $shot"
