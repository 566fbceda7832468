#!/usr/bin/env bash
# The main job: sets up a simulated printer in the default machine root (or
# reuses it) and shows its device ID, channels and status through TWAPI2.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh" "$top/build"
bin="$top/build/tools"
# TWAPI2.so is found like any library of the system; from the build tree
# through the developers' library path.
export TWPRINTER_LIBRARY_PATH="$top/build/twapi${TWPRINTER_LIBRARY_PATH:+:$TWPRINTER_LIBRARY_PATH}"
printer=${1:-Kestrel 800}

echo "== The computer =="
"$bin/twmachine" show
echo
echo "== Adding the simulated printer \"$printer\" (spooler entry, provider keys, simulator) =="
"$bin/twspool" add-sim "$printer"
echo
echo "== Device ID, through TWAPI2 =="
"$bin/twclient" deviceid "$printer"
echo
echo "== Channels =="
"$bin/twclient" channels "$printer"
echo
echo "== Status =="
"$bin/twclient" status "$printer"
echo
older='\\OLDSERVER\Kestrel'
echo "== A printer only the older two-way library reaches: $older =="
"$bin/twspool" add-older "$older"
"$bin/twclient" --port status "$older"
cat <<MSG

The simulated printers keep running. Make the first run out of ink and look again:
    $top/build/outside/printer_sim/twprinter-sim set "$printer" ink.black=0
    TWPRINTER_LIBRARY_PATH=$top/build/twapi $bin/twclient status "$printer"
Stop them with: $top/build/outside/printer_sim/twprinter-sim stop "$printer"
           and: $top/build/outside/printer_sim/twprinter-sim stop "OLDSERVER Kestrel"
MSG
