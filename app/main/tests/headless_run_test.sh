#!/usr/bin/env bash
# The whole program without a display: PICTOVAL_BACKEND=headless runs it
# until SIGTERM closes the main window, a second start hands over and ends,
# and without a display and without that variable it refuses to start.
set -u
bin=$1
check=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$root/first.log" ] && sed 's/^/  first: /' "$root/first.log"
  exit 1
}
fresh_home() {
  export HOME="$root/$1" XDG_CONFIG_HOME="$root/$1/.config" XDG_DATA_HOME="$root/$1/.local/share"
  export XDG_RUNTIME_DIR="$root/$1/run"
  mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
}
settings="CVPictovalSettings.db"

# No display, no choice of backend: one line, status 1, nothing touched.
fresh_home nodisplay
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u PICTOVAL_BACKEND "$bin" 2>&1 >/dev/null)
rc=$?
[ $rc -eq 1 ] || fail "without a display the status is $rc, not 1"
expected="pictoval: no display found (DISPLAY and WAYLAND_DISPLAY are not set); set PICTOVAL_BACKEND=headless to run without one"
[ "$err" = "$expected" ] || fail "without a display it said: $err"
[ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "the guard was touched without a display"
[ ! -e "$XDG_CONFIG_HOME/Corvane" ] || fail "the settings folder was made without a display"

# Headless: runs until signalled.
fresh_home headless
export PICTOVAL_BACKEND=headless
"$bin" >"$root/first.log" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
  [ -S "$XDG_RUNTIME_DIR/Corvane_Pictoval.sock" ] && break
  kill -0 $pid 2>/dev/null || fail "the first instance ended by itself"
  sleep 0.05
done
[ -S "$XDG_RUNTIME_DIR/Corvane_Pictoval.sock" ] || fail "the first instance does not listen"
sleep 1
kill -0 $pid 2>/dev/null || fail "the headless program did not keep running"
timeout 5 "$bin" >/dev/null 2>&1
rc=$?
[ $rc -eq 0 ] || fail "a second start ended with $rc, not 0 within 5 s"
kill -0 $pid 2>/dev/null || fail "the second start ended the first"
kill -TERM $pid
for _ in $(seq 1 200); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.05
done
kill -0 $pid 2>/dev/null && { kill -KILL $pid; fail "SIGTERM did not end the program"; }
wait $pid
rc=$?
[ $rc -eq 0 ] || fail "after SIGTERM the status is $rc"
file="$XDG_CONFIG_HOME/Corvane/CVPV/$settings"
[ -f "$file" ] || fail "no settings file after SIGTERM"
"$check" "$file" || fail "the settings file does not load"
echo "headless run: ok"
