#!/usr/bin/env bash
# Builds timelock.exe and runs it under Wine. With a display it opens there;
# without one it runs on a virtual display, saves a screenshot, prints its path
# and keeps running until Ctrl+C.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target timelock
exe=$repo/build/win64/timelock.exe

export WINEPREFIX=$repo/build/run/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
scripts/wine-prefix.sh "$WINEPREFIX"

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  exec wine "$exe"
fi

xvfb_pid=
app_pid=
cleanup() {
  set +e
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 0' INT TERM

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$fifo" || { echo "run: Xvfb did not start" >&2; exit 1; }
rm -f "$fifo"
export DISPLAY=:$display

wine "$exe" &
app_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '砾澄定时锁屏' 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || { echo "run: the window did not appear" >&2; exit 1; }
sleep 0.5  # let the first paint finish
shot=$repo/build/run/timelock.png
import -window "$window" "$shot"
echo "timelock is running on virtual display $DISPLAY; screenshot: $shot"
echo "press Ctrl+C to stop"
wait "$app_pid"
