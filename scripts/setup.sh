#!/usr/bin/env bash
# Installs what this machine lacks to build and test twprinter (Debian packages,
# by name), then configures and builds. Quiet when nothing is missing.
#   scripts/setup.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true

# The windowing layer draws with cairo and pango (text through FreeType with the
# DejaVu fonts), shows windows through Xlib, and its live tests run under Xvfb.
packages=(g++ cmake ninja-build libgtest-dev libgmock-dev pkg-config
          libcairo2-dev libpango1.0-dev libx11-dev xvfb fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
fi
ninja -C "$build" --quiet 2>/dev/null || ninja -C "$build"
