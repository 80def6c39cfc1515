#!/usr/bin/env bash
# Whole-process timing of vorne-batch against a hand-written OpenCV loop doing the same work (decode PNG,
# GaussianBlur sigma 2, Otsu threshold, PNG level 1) on one-megapixel grey PNGs cut from a photograph of the
# scikit-image data (Debian package python3-skimage; only its .deb is fetched and unpacked into the work
# folder, nothing is installed), and how vorne-batch scales to long batches. Prints one table of ratios.
#
# Timed commands run in rounds, each round the loop and the runs compared with it back to back, so that a
# ratio compares runs made under the same load; the table shows medians over the rounds (a shared virtual
# machine varies by a fifth from one run to the next).
# Usage: bench/batch-vs-loop.sh [BUILD_DIR]   (default: build)
# BENCH_REPEAT=N rounds (default 5); BENCH_THREADS=N passes -t N to vorne-batch.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=${BENCH_WORK:-$build/bench/batch-vs-loop}
rounds=${BENCH_REPEAT:-5}

cmake --build "$build" -j2 --target vorne-batch handloop imgproc >/dev/null
export KORADIR=$PWD/$build/koradir
batch=$build/koradir/bin/vorne-batch
graph=examples/graphs/blur_otsu.ogr
mkdir -p "$work"

photo=/usr/lib/python3/dist-packages/skimage/data/camera.png
if [ ! -f "$photo" ]; then
  photo=$work/skimage/usr/lib/python3/dist-packages/skimage/data/camera.png
  if [ ! -f "$photo" ]; then
    echo "Fetching the scikit-image data (python3-skimage) ..." >&2
    (cd "$work" && apt-get download python3-skimage >/dev/null 2>&1)
    dpkg-deb -x "$work"/python3-skimage_*.deb "$work/skimage"
  fi
fi

# make FOLDER COUNT [SIDE]: the batch, made once.
make() {
  if [ "$(ls "$work/$1" 2>/dev/null | wc -l)" -ne "$2" ]; then
    rm -rf "${work:?}/$1" && mkdir -p "$work/$1"
    "$build/bench/handloop" make "$photo" "$work/$1" "$2" "${3:-1000}"
  fi
}
# subset FOLDER FROM COUNT: the first COUNT files of FROM, linked.
subset() {
  rm -rf "${work:?}/$1" && mkdir -p "$work/$1"
  ls "$work/$2" | sed -n "1,$3p" | while read -r f; do ln "$work/$2/$f" "$work/$1/$f"; done
}
make in200 200
subset in40 in200 40
subset in1 in200 1

TIMEFORMAT='%3R %3U %3S'
# timed NAME COMMAND...: runs the command into a fresh folder $work/out-NAME and appends "wall cpu" to
# $work/times-NAME.
timed() {
  local name=$1 t
  shift
  rm -rf "${work:?}/out-$name" && mkdir -p "$work/out-$name"
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$t" >>"$work/times-$name"
}
vb() { "$batch" -q ${BENCH_THREADS:+-t "$BENCH_THREADS"} "$@" "$graph"; }
# Debian's interpreter, which sees python3-opencv, even where another python3 comes first on the PATH.
debpython=$( [ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3 )
python_loop() {
  "$debpython" - "$1" "$2" <<'PY'
import cv2, glob, os, sys
for f in sorted(glob.glob(sys.argv[1] + "/*.png")):
    image = cv2.imread(f, cv2.IMREAD_UNCHANGED)
    mask = cv2.threshold(cv2.GaussianBlur(image, (0, 0), 2.0), 0, 255, cv2.THRESH_BINARY | cv2.THRESH_OTSU)[1]
    cv2.imwrite(os.path.join(sys.argv[2], os.path.basename(f)[:-4] + "_0.png"), mask, [cv2.IMWRITE_PNG_COMPRESSION, 1])
PY
}
havecv=$("$debpython" -c 'import cv2' 2>/dev/null && echo yes || true)
havemagick=$(command -v mogrify >/dev/null && mogrify -version 2>/dev/null | grep -q ImageMagick && echo yes || true)

rm -f "$work"/times-*
for _ in $(seq "$rounds"); do
  for n in 200 40 1; do
    timed "loop$n" "$build/bench/handloop" run "$work/in$n" "$work/out-loop$n"
    timed "one$n" vb -j 1 -i "0=$work/in$n/" -o "$work/out-one$n" --suffix .png
    [ "$n" = 1 ] || timed "two$n" vb -j 2 -i "0=$work/in$n/" -o "$work/out-two$n" --suffix .png
  done
  # With a journal every input and output is checksummed; --no-checksums is the same run without.
  timed sums200 vb -j 1 -i "0=$work/in200/" -o "$work/out-sums200" --suffix .png --journal "$work/out-sums200/j.jsonl"
  timed nosums200 vb -j 1 -i "0=$work/in200/" -o "$work/out-nosums200" --suffix .png \
    --journal "$work/out-nosums200/j.jsonl" --no-checksums
  [ -z "$havecv" ] || timed python python_loop "$work/in200" "$work/out-python"
  [ -z "$havemagick" ] || timed magick mogrify -path "$work/out-magick" -format png -blur 0x2 -threshold 50% \
    -define png:compression-level=1 "$work/in200/"*.png
done

# median FILE COLUMN, and the median of the round-by-round ratio (or difference) of two files' column.
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
col() { cut -d' ' -f"$2" "$work/times-$1" | median; }
pair() { paste -d' ' <(cut -d' ' -f"$3" "$work/times-$1") <(cut -d' ' -f"$3" "$work/times-$2") | awk "{ print $4 }" | median; }
ratio() { pair "$1" "$2" "${3:-1}" '$1 / $2'; }

load=$(cut -d' ' -f1-3 /proc/loadavg)
printf 'vorne-batch against the OpenCV loop: 1000x1000 grey PNGs, GaussianBlur sigma 2 -> Otsu -> PNG level 1\n'
printf '%d processors (%s), load average %s, median of %d rounds\n\n' "$(nproc)" \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')" "$load" "$rounds"
printf '| %-44s | %-9s | %-9s | %-28s | %-10s |\n' Run Wall CPU Ratio Goal
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..46})" -----------  ----------- "$(printf -- '-%.0s' {1..30})" ------------
row() { printf '| %-44s | %7.2f s | %7.2f s | %-28s | %-10s |\n' "$1" "$(col "$2" 1)" "$(col "$2" 2)" "$3" "$4"; }
for n in 200 40; do
  row "OpenCV loop, $n images" "loop$n" "" ""
  row "vorne-batch --jobs 1, $n images" "one$n" "$(ratio "one$n" "loop$n")x the loop (CPU $(ratio "one$n" "loop$n" 2)x)" \
    "$([ $n = 200 ] && echo '<= 0.95x')"
  row "vorne-batch --jobs 2, $n images" "two$n" "$(ratio "one$n" "two$n")x faster than --jobs 1" \
    "$([ $n = 200 ] && echo '>= 1.8x' || echo '>= 1.6x')"
done
# --jobs 1 already spreads one index's decode, execution and save over the processors, so the most a second
# process can gain is what is left of them: the work of --jobs 1 (its CPU time) shared by all processors.
bound=$(awk -v cpu="$(col one200 2)" -v n="$(nproc)" 'BEGIN { printf "%.3f", cpu / n }')
printf '| %-44s | %7.2f s | %-9s | %-28s | %-10s |\n' "Bound on $(nproc) processors, 200 images" "$bound" "" \
  "$(awk -v one="$(col one200 1)" -v b="$bound" 'BEGIN { printf "--jobs 1 at most %.2fx", one / b }')" ""
row "--jobs 1 --journal, 200 images, no checksums" nosums200 "" ""
row "--jobs 1 --journal, 200 images, checksums" sums200 "$(ratio sums200 nosums200)x the time without" "<= 1.02x"
row "OpenCV loop, 1 image" loop1 "" ""
row "vorne-batch, 1 image" one1 "$(pair one1 loop1 1 '($1 - $2) * 1000' | xargs printf '%+.0f') ms against the loop" "<= +20 ms"
if [ -n "$havecv" ]; then
  row "Python OpenCV loop, 200 images" python "$(ratio python one200)x the --jobs 1 time" ""
else
  printf '| %-44s | %-9s | %-9s | %-28s | %-10s |\n' "Python OpenCV loop" - - "not installed (python3-opencv)" ""
fi
if [ -n "$havemagick" ]; then
  row "ImageMagick mogrify, 200 images" magick "$(ratio magick one200)x the --jobs 1 time" ""
else
  printf '| %-44s | %-9s | %-9s | %-28s | %-10s |\n' "ImageMagick mogrify" - - "not installed" ""
fi

# Long batches: 64x64 images, one run each (these are far from the noise).
make small 10000 64
subset small100 small 100
peak() { # peak resident memory in MB of one run with a journal
  rm -rf "${work:?}/out-$1" "$work/$1.jsonl"
  /usr/bin/time -f %M "$batch" -q -i "0=$work/$1/" -o "$work/out-$1" --suffix .png --journal "$work/$1.jsonl" \
    "$graph" 2>&1 >/dev/null | tail -n1 | awk '{ printf "%.1f", $1 / 1024 }'
}
mem100=$(peak small100)
mem10k=$(peak small)
printf '| %-44s | %-9s | %-9s | %-28s | %-10s |\n' "Peak memory, 10,000 against 100 indices" "$mem10k MB" "$mem100 MB" \
  "$(awk -v a="$mem10k" -v b="$mem100" 'BEGIN { printf "%.2fx", a / b }')" "<= 1.10x"

# 100,000 indices: the inputs links to the 10,000 small files, the outputs empty files (a resume only asks
# whether they exist), the journal one line per index as a run writes it.
huge=$work/huge
if [ "$(ls "$huge/in" 2>/dev/null | wc -l)" -ne 100000 ]; then
  rm -rf "$huge" && mkdir -p "$huge/in" "$huge/out"
  python3 -c "
import os, sys
for i in range(100000): os.link('%s/img_%06d.png' % (sys.argv[1], i % 10000), '%s/in/s_%06d.png' % (sys.argv[2], i))" \
    "$work/small" "$huge"
  "$batch" -q -i "0=$huge/in/" -o "$huge/out" --suffix .png --range 0:0 --journal "$huge/first.jsonl" "$graph"
  python3 - "$huge" <<'PY'
import copy, json, os, sys
huge = sys.argv[1]
header, first = (json.loads(line) for line in open(huge + "/first.jsonl").readlines()[:2])
with open(huge + "/journal.jsonl", "w") as journal:
    journal.write(json.dumps(header, separators=(",", ":")) + "\n")
    for i in range(100000):
        line = copy.deepcopy(first)
        line["index"] = i
        source = line["inputs"][0]
        source["value"] = source["value"].replace("s_000000", "s_%06d" % i)
        status = os.stat(source["value"])
        source["size"], source["modified"] = status.st_size, status.st_mtime_ns // 1000000
        line["outputs"][0]["value"] = line["outputs"][0]["value"].replace("s_000000", "s_%06d" % i)
        open(line["outputs"][0]["value"], "a").close()
        journal.write(json.dumps(line, separators=(",", ":")) + "\n")
PY
fi
once() { { time "$@" >/dev/null 2>&1; } 2>&1 | cut -d' ' -f1; }
resume=$(once "$batch" -q -i "0=$huge/in/" -o "$huge/out" --suffix .png --journal "$huge/journal.jsonl" "$graph")
dry=$(once "$batch" --dry-run -i "0=$huge/in/" -o "$huge/out" --suffix .png "$graph")
printf '| %-44s | %7.2f s | %-9s | %-28s | %-10s |\n' "Resume, 100,000-line journal (all skipped)" "$resume" "" "" "< 3 s"
printf '| %-44s | %7.2f s | %-9s | %-28s | %-10s |\n' "--dry-run over 100,000 files" "$dry" "" "" "< 5 s"
