#!/usr/bin/env bash
# Installs what is missing, builds, and opens VORNE on the cell-counting example graph. Without a display
# (DISPLAY and WAYLAND_DISPLAY both unset) it runs the same graph headless over the example images instead,
# every output saved under build/example-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export KORADIR="$PWD/build/koradir"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the example batch with vorne-batch instead of the window."
  exec ./build/koradir/bin/vorne-batch -i 0=@examples/data/grey.txt -o build/example-output \
    examples/graphs/count_cells.ogr
fi
exec ./build/koradir/bin/vorne examples/graphs/count_cells.ogr
