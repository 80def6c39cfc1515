#!/usr/bin/env bash
# Whole-process timing of a big batch in the window against `vorne-batch --jobs 1` on the same inputs:
# 64x64 grey PNGs (made by bench/handloop from the scikit-image camera photograph, as in
# bench/batch-vs-loop.sh) through blur_otsu, saved as PNG. The window runs offscreen (bench/windowbatch):
# items added from a text list, by a drop and through the Add dialog, then two runs in the same window.
# Prints one table; ratios are against vorne-batch in the same round.
# Usage: bench/window-batch.sh [BUILD_DIR]   (default: build)   BENCH_COUNT=N images (default 10000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${BENCH_COUNT:-10000}
work=${BENCH_WORK:-$build/bench/window-batch}
[ -n "${BENCH_NO_BUILD:-}" ] || cmake --build "$build" -j2 --target vorne-batch windowbatch handloop imgproc >/dev/null
export KORADIR=$PWD/$build/koradir QT_QPA_PLATFORM=offscreen
batch=$build/koradir/bin/vorne-batch
graph=$PWD/examples/graphs/blur_otsu.ogr
mkdir -p "$work"

photo=/usr/lib/python3/dist-packages/skimage/data/camera.png
[ -f "$photo" ] || photo=$build/bench/batch-vs-loop/skimage/usr/lib/python3/dist-packages/skimage/data/camera.png
if [ ! -f "$photo" ]; then
  (cd "$work" && apt-get download python3-skimage >/dev/null 2>&1)
  dpkg-deb -x "$work"/python3-skimage_*.deb "$work/skimage"
  photo=$work/skimage/usr/lib/python3/dist-packages/skimage/data/camera.png
fi
in=$PWD/$work/in$count
if [ "$(ls "$in" 2>/dev/null | wc -l)" -ne "$count" ]; then
  rm -rf "$in" && mkdir -p "$in"
  "$build/bench/handloop" make "$photo" "$in" "$count" 64
fi
ls "$in" | sed "s|^|$in/|" >"$work/list.txt"

rm -rf "$work/out-batch" && mkdir -p "$work/out-batch"
# As before each of the window's runs (bench/windowbatch.cpp): files created within 30 s of a deletion
# are slower to make on ext4.
sync && sleep 31
start=$(date +%s.%N)
TIMEFORMAT='%U'
batchcpu=$({ time "$batch" -q -j 1 -i "0=$in/" -o "$work/out-batch" --suffix .png "$graph" >/dev/null 2>&1; } 2>&1)
one=$(echo "$(date +%s.%N) - $start" | bc)
sync
start=$(date +%s.%N)
# The window's lines of every step go where vorne-batch's output goes; the figures come on standard error.
figures=$("$build/bench/windowbatch" "$graph" "$in" "$work/list.txt" "$PWD/$work/out-window" 2>&1 >/dev/null | grep '^items')
whole=$(echo "$(date +%s.%N) - $start" | bc)
read -r _ listed dropped added _ list _ drop _ add _ run1 _ run2 _ gap _ bytes _ cpu1 _ cpu2 _ gui1 _ gui2 <<<"$figures"
saved=$(ls "$work/out-window" | wc -l)

# The same with every output on a RAM disk: what is left of the gap without the disk's waits, which the
# window spends inside each step and vorne-batch while it runs the next index.
ram=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  ram=$(mktemp -d /dev/shm/vorne-window-batch.XXXXXX)
  trap 'rm -rf "$ram"' EXIT
  mkdir "$ram/out-batch"
  start=$(date +%s.%N)
  "$batch" -q -j 1 -i "0=$in/" -o "$ram/out-batch" --suffix .png "$graph" >/dev/null 2>&1
  ramone=$(echo "$(date +%s.%N) - $start" | bc)
  read -r _ _ _ _ _ _ _ _ _ _ _ ramrun1 _ ramrun2 _ <<<"$("$build/bench/windowbatch" "$graph" "$in" "$work/list.txt" "$ram/out-window" 2>&1 >/dev/null | grep '^items')"
fi

printf 'The window against vorne-batch --jobs 1: %d 64x64 grey PNGs, blur_otsu, PNG outputs\n' "$count"
printf '%d processors, load average %s\n\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-46s | %-9s | %-26s | %-10s |\n' Run Time Ratio Goal
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..48})" ----------- "$(printf -- '-%.0s' {1..28})" ------------
row() { printf '| %-46s | %-9s | %-26s | %-10s |\n' "$@"; }
row "vorne-batch --jobs 1 (whole process)" "$(printf '%.2f s' "$one")" "$(printf 'user CPU %.2f s' "$batchcpu")" ""
row "Window, first run" "$(printf '%.2f s' "$run1")" "$(echo "scale=3; $run1 / $one" | bc)x vorne-batch" "<= 1.25x"
row "Window, second run in the same window" "$(printf '%.2f s' "$run2")" "$(echo "scale=3; $run2 / $run1" | bc)x the first run" "<= 1.00x"
row "  user CPU time of the first / second run" "$(printf '%.2f s' "$cpu1")" "$(printf '%.2f s, ' "$cpu2")$(echo "scale=3; $cpu2 / $cpu1" | bc)x" ""
row "  of it the GUI thread, first / second run" "$(printf '%.2f s' "$gui1")" "$(printf '%.2f s, ' "$gui2")$(echo "scale=3; $gui2 / $gui1" | bc)x" ""
row "Window process, all of the above" "$(printf '%.2f s' "$whole")" "" ""
row "Add $listed items from a text list" "$(printf '%.3f s' "$list")" "" "< 1 s"
row "Drop $dropped files on the input list" "$(printf '%.3f s' "$drop")" "" "< 1 s"
row "Add $added files as the Add dialog returns them" "$(printf '%.3f s' "$add")" "" "< 1 s"
row "Longest event-loop gap during the runs" "$gap ms" "" "<= 100 ms"
row "Memory per input item" "$bytes B" "" "< 2048 B"
row "Files saved by the second run" "$saved" "" "$count"
if [ -n "$ram" ]; then
  row "Outputs on a RAM disk: vorne-batch --jobs 1" "$(printf '%.2f s' "$ramone")" "" ""
  row "  the window, first / second run" "$(printf '%.2f s' "$ramrun1")" "$(echo "scale=3; $ramrun1 / $ramone" | bc)x, second $(echo "scale=3; $ramrun2 / $ramrun1" | bc)x" ""
fi
