#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test, fuzz and run
# the library. Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libcrypto++-dev libsqlite3-dev libicu-dev
  qt6-base-dev libgl-dev
  qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev python3-bcrypt
  rapidjson-dev
  clang libclang-rt-14-dev
  xvfb xauth
  libpq-dev postgresql
  libexpat1-dev desktop-file-utils
  qt6-tools-dev qt6-l10n-tools
  libsecret-1-dev gnome-keyring dbus
  libpugixml-dev libcsv-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run this script as root (or install them with apt-get)" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
