#!/usr/bin/env bash
# The main job: creates (or reuses) the default machine root and shows it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build"
bin="$top/build/tools"
echo "== Machine facts =="
"$bin/twmachine" show
echo
echo "== Registry: HKEY_LOCAL_MACHINE =="
"$bin/twreg" export HKEY_LOCAL_MACHINE
