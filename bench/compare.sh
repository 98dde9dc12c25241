#!/usr/bin/env bash
# The convert benchmark against ImageMagick and libvips, on the same files:
#   bash bench/compare.sh [FOLDER | --real] [--png] [--smoke]
# Builds the benchmark (release preset, JOBS jobs), makes the 16 generated
# photos once (when no FOLDER is given), warms the cache, times every tool pinned to core 1 as the
# median of 3 passes, checks the outputs and prints the table with the peak
# memory of ours and vipsthumbnail. For JPEG output the targets are: our
# images/s at least vipsthumbnail's and 1.5 x convert's, and the road's own
# peak (ours less what the process holds before the first file) below 2.5 x
# the largest decoded image; on --real also 3 x convert's and our peak
# below vipsthumbnail's. The script exits 1 when one is missed.
#   --real   real photographs: the distinct JPEGs of Debian's
#            plasma-workspace-wallpapers (up to 5120 x 2880), fetched once
#            with `apt-get download` and extracted under build/ (needs the
#            package archive; never run by CI).
#   --png    PNG output, no target.
#   --smoke  two small generated photos resized to 320 pixels, no target
#            (the CI run).
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

CONVERT=convert-im6.q16
MOGRIFY=mogrify-im6.q16
IDENTIFY=identify-im6.q16
COMPARE=compare-im6.q16
VIPS=vipsthumbnail
PASSES=3
TARGET=1.5
REAL_TARGET=3
MEMORY_FACTOR=2.5
TIME=/usr/bin/time
MIN_PSNR=30

usage() {
  echo "usage: bash bench/compare.sh [FOLDER | --real] [--png] [--smoke]" >&2
  exit 2
}

FOLDER=""
PNG=0
SMOKE=0
REAL=0
for a in "$@"; do
  case "$a" in
    --png) PNG=1 ;;
    --real) REAL=1 ;;
    --smoke) SMOKE=1 ;;
    -h | --help) usage ;;
    -*) echo "compare.sh: unknown option $a" >&2; usage ;;
    *)
      [ -z "$FOLDER" ] || usage
      FOLDER=$a
      ;;
  esac
done
if [ "$SMOKE" = 1 ] && { [ -n "$FOLDER" ] || [ "$REAL" = 1 ]; }; then
  echo "compare.sh: --smoke makes its own images; no FOLDER or --real with it" >&2
  exit 2
fi
[ "$REAL" = 0 ] || [ -z "$FOLDER" ] || usage

[ "$REAL" = 0 ] || TARGET=$REAL_TARGET
for t in "$CONVERT" "$MOGRIFY" "$IDENTIFY" "$COMPARE" "$VIPS" "$TIME" taskset cmake; do
  if ! command -v "$t" >/dev/null 2>&1; then
    echo "compare.sh: $t is missing; scripts/setup installs it" >&2
    exit 1
  fi
done

# JOBS (at most 8 by default) for the build and for making the photos.
JOBS=${JOBS:-$(nproc)}
[ "$JOBS" -le 8 ] || JOBS=8
FORMAT=jpeg
EXT=jpg
[ "$PNG" = 0 ] || { FORMAT=png; EXT=png; }
L=1600
[ "$SMOKE" = 0 ] || L=320

# ---- 1. The release build ------------------------------------------------------------
log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "compare.sh: the release build failed" >&2
    exit 1
  fi
}
build cmake --preset release
build cmake --build build/release --target convert_bench -j "$JOBS"
BENCH=build/release/bench/convert_bench

# ---- 2. The inputs ---------------------------------------------------------------------
# Photo-like JPEGs made once and kept under build/. One ImageMagick thread
# each (several files at a time): its noise differs with the thread count, and
# the photos must be the same on every machine.
make_photos() { # DIR COUNT SIZE
  local dir=$1 count=$2 size=$3
  mkdir -p "$dir"
  # shellcheck disable=SC2016 # the inner script takes its values as arguments
  seq 1 "$count" | xargs -P "$JOBS" -I{} env MAGICK_THREAD_LIMIT=1 bash -c '
    n=$1; dir=$2; size=$3; convert=$4
    name=$(printf "photo%02d.jpg" "$n")
    [ -f "$dir/$name" ] && exit 0
    tmp="$dir/.$name.tmp.jpg"
    "$convert" -seed "$n" -size "$size" plasma:fractal -blur 0x2 +noise Gaussian \
      -quality 92 -sampling-factor 2x2 "$tmp" && mv "$tmp" "$dir/$name"' _ {} "$dir" "$size" "$CONVERT"
}
# The real photographs: every distinct JPEG of the wallpaper package (the
# sizes of one wallpaper are mostly links to one file), named after the
# wallpaper and its file, e.g. Flow-images_dark-5120x2880.jpg.
real_photos() { # DIR
  local dir=$1 work=build/bench-photos/wallpapers-deb
  [ ! -f "$dir/.complete" ] || return 0
  rm -rf "$work" "$dir"
  mkdir -p "$work" "$dir"
  if ! (cd "$work" && apt-get download plasma-workspace-wallpapers) >"$log" 2>&1; then
    cat "$log" >&2
    echo "compare.sh: cannot fetch plasma-workspace-wallpapers" >&2
    exit 1
  fi
  dpkg-deb -x "$work"/plasma-workspace-wallpapers_*.deb "$work/root"
  local root=$work/root/usr/share/wallpapers sum path name
  declare -A seen=()
  while read -r sum path; do
    [ -z "${seen[$sum]:-}" ] || continue
    seen[$sum]=1
    name=${path#"$root"/}
    name=${name//\/contents\//\/}
    cp "$path" "$dir/${name//\//-}"
  done < <(find "$root" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) ! -name 'screenshot.*' -print0 |
    sort -z | xargs -0 md5sum)
  rm -rf "$work"
  touch "$dir/.complete"
}
if [ -n "$FOLDER" ]; then
  IN=$FOLDER
elif [ "$REAL" = 1 ]; then
  IN=build/bench-photos/wallpapers
  real_photos "$IN"
elif [ "$SMOKE" = 1 ]; then
  IN=build/bench-photos/640x480
  make_photos "$IN" 2 640x480
else
  IN=build/bench-photos/4000x3000
  make_photos "$IN" 16 4000x3000
fi
[ -d "$IN" ] || { echo "compare.sh: no folder $IN" >&2; exit 1; }
IN=$(cd "$IN" && pwd)
# The benchmark's own choice: regular files not starting with a dot, in
# byte order.
inputs=()
for f in "$IN"/*; do
  [ -f "$f" ] && inputs+=("$f")
done
N=${#inputs[@]}
[ "$N" -gt 0 ] || { echo "compare.sh: no files in $IN" >&2; exit 1; }

# ---- 3. Warm cache ---------------------------------------------------------------------
cat "${inputs[@]}" >/dev/null

# ---- 4. Timing ---------------------------------------------------------------------------
OUT=$(pwd)/build/bench-out
rm -rf "$OUT"
mkdir -p "$OUT"
MANIFEST=$OUT/manifest.txt
declare -A SIZE_OF   # input path -> WxH from our manifest

now() { date +%s%N; }

# Ours and vipsthumbnail run under GNU time for their peak memory (KiB).
run_ours() {
  "$TIME" -f %M -o "$OUT/ours.peak" taskset -c 1 "$BENCH" -L "$L" --filter lanczos3 --format "$FORMAT" --out "$OUT/ours" \
    --manifest "$MANIFEST" "$IN" >"$OUT/ours.log" 2>&1
}
run_convert() {
  local f size
  for f in "${inputs[@]}"; do
    size=${SIZE_OF[$f]}
    local name
    name=$(basename "$f")
    name=${name%.*}.$EXT
    if [ "$PNG" = 0 ]; then
      taskset -c 1 "$CONVERT" -limit thread 1 "$f" -filter Lanczos -resize "$size!" -quality 85 \
        -sampling-factor 2x2 -define jpeg:optimize-coding=true "$OUT/convert/$name"
    else
      taskset -c 1 "$CONVERT" -limit thread 1 "$f" -filter Lanczos -resize "$size!" "$OUT/convert/$name"
    fi
  done
}
run_mogrify() {
  if [ "$PNG" = 0 ]; then
    taskset -c 1 "$MOGRIFY" -limit thread 1 -path "$OUT/mogrify" -format jpg -filter Lanczos -resize "${L}x${L}" \
      -quality 85 -sampling-factor 2x2 -define jpeg:optimize-coding=true "${inputs[@]}"
  else
    taskset -c 1 "$MOGRIFY" -limit thread 1 -path "$OUT/mogrify" -format png -filter Lanczos \
      -resize "${L}x${L}" "${inputs[@]}"
  fi
}
# All files in one process, as ours takes them: vipsthumbnail fits each into
# the L x L box, the one-side rule on the longer side (its shorter side may
# round a pixel differently; only convert's outputs are held to ours).
run_vips() {
  local spec
  if [ "$PNG" = 0 ]; then spec="$OUT/vips/%s.jpg[Q=85,optimize_coding]"; else spec="$OUT/vips/%s.png"; fi
  VIPS_CONCURRENCY=1 "$TIME" -f %M -o "$OUT/vips.peak" taskset -c 1 "$VIPS" -s "${L}x$L" -o "$spec" "${inputs[@]}" 2>>"$OUT/vips.log"
}

TOOLS=(ours convert mogrify vips)
declare -A TIMES
for pass in $(seq 1 "$PASSES"); do
  for tool in "${TOOLS[@]}"; do
    rm -rf "${OUT:?}/$tool"
    mkdir -p "$OUT/$tool"
    start=$(now)
    if ! "run_$tool"; then
      [ "$tool" != ours ] || cat "$OUT/ours.log" >&2
      echo "compare.sh: $tool failed" >&2
      exit 1
    fi
    TIMES[$tool]+="$(($(now) - start)) "
    if [ "$tool" = ours ] && [ "$pass" = 1 ]; then
      while IFS=$'\t' read -r input _ w h; do
        SIZE_OF[$IN/$input]=${w}x$h
      done <"$MANIFEST"
      for f in "${inputs[@]}"; do
        [ -n "${SIZE_OF[$f]:-}" ] || { echo "compare.sh: $f is not in our manifest" >&2; exit 1; }
      done
    fi
  done
done

# ---- 5. Checks -----------------------------------------------------------------------------
fail=0
for tool in "${TOOLS[@]}"; do
  count=$(find "$OUT/$tool" -maxdepth 1 -type f | wc -l)
  missing=0
  for f in "${inputs[@]}"; do
    name=$(basename "$f")
    [ -f "$OUT/$tool/${name%.*}.$EXT" ] || missing=$((missing + 1))
  done
  if [ "$count" != "$N" ] || [ "$missing" != 0 ]; then
    echo "check failed: $tool wrote $count files for $N inputs ($missing missing)" >&2
    fail=1
  fi
done
min_psnr=""
if [ "$fail" = 0 ]; then
  for f in "${inputs[@]}"; do
    name=$(basename "$f")
    name=${name%.*}.$EXT
    ours=$("$IDENTIFY" -format "%w %h" "$OUT/ours/$name")
    theirs=$("$IDENTIFY" -format "%w %h" "$OUT/convert/$name")
    if [ "$ours" != "$theirs" ]; then
      echo "check failed: $name is $ours here and $theirs from convert" >&2
      fail=1
      continue
    fi
    # The metric comes first on stderr, possibly followed by warnings about
    # the file's metadata on the same line.
    psnr=$("$COMPARE" -metric PSNR "$OUT/ours/$name" "$OUT/convert/$name" null: 2>&1 | head -n 1 || true)
    psnr=$(printf '%s' "$psnr" | grep -oE '^(inf|[0-9]+(\.[0-9]+)?)' || true)
    if [ "$psnr" != inf ] && ! awk -v p="$psnr" -v m="$MIN_PSNR" 'BEGIN { exit !(p + 0 == p && p >= m) }'; then
      echo "check failed: $name has a PSNR of $psnr dB against convert's (at least $MIN_PSNR wanted)" >&2
      fail=1
    fi
    if [ "$psnr" != inf ] && { [ -z "$min_psnr" ] || awk -v p="$psnr" -v m="$min_psnr" 'BEGIN { exit !(p < m) }'; }; then
      min_psnr=$psnr
    fi
  done
fi

# ---- 6. The table ----------------------------------------------------------------------------
median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A SECONDS_OF IPS
for tool in "${TOOLS[@]}"; do
  ns=$(echo "${TIMES[$tool]}" | median)
  SECONDS_OF[$tool]=$(awk -v ns="$ns" 'BEGIN { printf "%.3f", ns / 1e9 }')
  IPS[$tool]=$(awk -v ns="$ns" -v n="$N" 'BEGIN { printf "%.3f", n / (ns / 1e9) }')
done
echo
echo "$N images from $IN, longer side $L, $FORMAT output; median of $PASSES passes on core 1"
printf '%-10s %7s %9s %9s %9s\n' tool images seconds images/s ratio
for tool in "${TOOLS[@]}"; do
  ratio=$(awk -v a="${IPS[$tool]}" -v b="${IPS[convert]}" 'BEGIN { printf "%.2f", a / b }')
  printf '%-10s %7d %9s %9s %9s\n' "$tool" "$N" "${SECONDS_OF[$tool]}" "${IPS[$tool]}" "$ratio"
done
echo "ours, split: $(grep -E '^(load|resample|save) ' "$OUT/ours.log" | tr -s ' ' | paste -sd ',' | sed 's/,/, /g')"
[ -z "$min_psnr" ] || echo "lowest PSNR against convert: $min_psnr dB"
# The last pass's peaks, in MiB; the road's own figures from our log.
peak_ours=$(awk '{ printf "%.1f", $1 / 1024 }' "$OUT/ours.peak")
peak_vips=$(awk '{ printf "%.1f", $1 / 1024 }' "$OUT/vips.peak")
road=$(sed -nE 's/^memory .*the road ([0-9.]+) MiB.*/\1/p' "$OUT/ours.log")
largest=$(sed -nE 's/^memory .*largest decoded image ([0-9.]+) MiB.*/\1/p' "$OUT/ours.log")
echo "peak memory: ours $peak_ours MiB, vips $peak_vips MiB; the road $road MiB, largest decoded image $largest MiB"
[ "$fail" = 0 ] || { echo "checks failed" >&2; exit 1; }

# Target NAME HOLDS: prints whether a target was met; a missed one fails the
# run after all are printed.
missed=0
target() {
  if awk "BEGIN { exit !($2) }"; then
    echo "target met: $1"
  else
    echo "target missed: $1" >&2
    missed=1
  fi
}
if [ "$PNG" = 0 ] && [ "$SMOKE" = 0 ]; then
  target "ours ${IPS[ours]} images/s, at least $TARGET x convert's ${IPS[convert]}" "${IPS[ours]} >= $TARGET * ${IPS[convert]}"
  target "ours ${IPS[ours]} images/s, at least vips's ${IPS[vips]}" "${IPS[ours]} >= ${IPS[vips]}"
  [ "$REAL" = 0 ] || target "ours $peak_ours MiB at peak, below vips's $peak_vips MiB" "$peak_ours < $peak_vips"
  target "the road $road MiB at peak, below $MEMORY_FACTOR x the largest decoded image's $largest MiB" \
    "$road < $MEMORY_FACTOR * $largest"
fi
[ "$missed" = 0 ] || exit 1
