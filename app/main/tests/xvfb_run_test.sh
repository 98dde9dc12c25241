#!/usr/bin/env bash
# The real program on a private X server: it shows its window, a second start
# ends at once leaving one window, and Alt+F4 closes it, writing settings
# that load. Skipped when the X server or the tools are missing.
set -u
if [ "${1:-}" != "--inside" ]; then
  for tool in xvfb-run Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "pictoval xvfb test skipped: $tool is not installed"
      exit 0
    fi
  done
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$@"
fi
shift
bin=$1
check=$2
out=$3
mkdir -p "$out"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$root/first.log" ] && sed 's/^/  first: /' "$root/first.log"
  exit 1
}
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" XDG_DATA_HOME="$root/home/.local/share"
export XDG_RUNTIME_DIR="$root/run" PICTOVAL_BACKEND=sdl2
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
windows() { xdotool search --onlyvisible --name "Corvane Pictoval" 2>/dev/null; }

"$bin" >"$root/first.log" 2>&1 &
pid=$!
wid=""
for _ in $(seq 1 300); do
  wid=$(windows | head -n 1)
  [ -n "$wid" ] && break
  kill -0 $pid 2>/dev/null || fail "the program ended before showing its window"
  sleep 0.1
done
[ -n "$wid" ] || fail "no window named \"Corvane Pictoval\" within 30 s"
sleep 2  # the loading gauge
shot="$out/pictoval-xvfb.png"
import -window root "$shot" || fail "no screenshot"
if command -v pngcheck >/dev/null 2>&1; then pngcheck -q "$shot" || fail "the screenshot is not a valid PNG"; fi

timeout 5 "$bin" >/dev/null 2>&1
rc=$?
[ $rc -eq 0 ] || fail "a second start ended with $rc, not 0 within 5 s"
[ "$(windows | wc -l)" -eq 1 ] || fail "not exactly one window after the second start: $(windows | wc -l)"
kill -0 $pid 2>/dev/null || fail "the second start ended the first"

xdotool windowfocus --sync "$wid" || fail "the window cannot take the focus"
xdotool key alt+F4
for _ in $(seq 1 100); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -0 $pid 2>/dev/null && { kill -KILL $pid; fail "Alt+F4 did not close the program"; }
wait $pid
rc=$?
[ $rc -eq 0 ] || fail "the program ended with $rc"
file="$XDG_CONFIG_HOME/Corvane/CVPV/CVPictovalSettings.db"
[ -f "$file" ] || fail "no settings file after Alt+F4"
"$check" "$file" || fail "the settings file does not load"
echo "xvfb run: ok, screenshot $shot"
