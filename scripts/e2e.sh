#!/usr/bin/env bash
# Runs the end-to-end suites: timelock.exe driven by timelock_e2e.exe under Wine,
# on a private Xvfb display and a fresh copy of a cached Wine prefix.
#
#   scripts/e2e.sh [--no-build] [driver arguments: suite or suite.case names, --list]
#
# Screenshots land in build/e2e/artifacts/. The last line is "e2e: N passed, N failed".
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$repo/build/e2e
pristine=$work/prefix-pristine
prefix=$work/prefix
artifacts=$work/artifacts
app_exe=$repo/build/win64/timelock.exe
driver_exe=$repo/build/win64/tests/e2e/timelock_e2e.exe

build=1
if [[ ${1:-} == --no-build ]]; then build=0; shift; fi

die() { echo "e2e: $*" >&2; echo "e2e: 0 passed, 1 failed"; exit 2; }

for tool in wine wineserver wineboot Xvfb; do
  command -v "$tool" >/dev/null || die "$tool is missing; install the e2e packages (wine, xvfb) first"
done
[[ -f /usr/share/wine/fonts/marlett.ttf ]] || die "marlett.ttf is missing; install fonts-wine"
fc-list 2>/dev/null | grep -q 'WenQuanYi Zen Hei' || die "WenQuanYi Zen Hei is missing; install fonts-wqy-zenhei"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export LC_ALL=C.UTF-8 TZ=${TZ:-UTC}
unset WINESERVER DISPLAY

mkdir -p "$work"
# One run at a time per work tree: the prefix and the artefacts are shared.
exec 9>"$work/.lock"
flock -w 600 9 || die "another e2e run holds $work/.lock"

xvfb_pid=
cleanup() {
  set +e
  if [[ -d $prefix ]]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null; fi
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb() {
  local fifo=$work/.displayfd
  rm -f "$fifo"; mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local n
  read -r -t 20 n <"$fifo" || die "Xvfb did not start (see $work/xvfb.log)"
  rm -f "$fifo"
  export DISPLAY=:$n
}

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

if ((build)); then
  { cmake --preset win64 && cmake --build --preset win64; } >"$work/build.log" 2>&1 \
    || { tail -n 30 "$work/build.log" >&2; die "the win64 build failed (see $work/build.log)"; }
fi
app_exe=${TIMELOCK_EXE:-$app_exe}
[[ -f $app_exe ]] || die "$app_exe not found; build it with: cmake --preset win64 && cmake --build --preset win64"
[[ -f $driver_exe ]] || die "$driver_exe not found; it is built with the win64 preset"

start_xvfb
# Made once and cached; each run works on a fresh copy, so nothing a program
# left in the registry or on drive C reaches the next run.
"$repo/scripts/wine-prefix.sh" "$pristine" || die "could not make the Wine prefix"
rm -rf "$prefix"
cp -a "$pristine" "$prefix"
export WINEPREFIX=$prefix
wineserver -p
rm -rf "$artifacts"
mkdir -p "$artifacts"

# The driver's lines go through as they come; screenshots it announces are
# turned into PNG files beside it.
passed=0 failed=0 summary= driver_status=
while IFS= read -r line; do
  line=${line%$'\r'}
  case $line in
    "SCREENSHOT "*)
      bmp=$artifacts/${line##*\\}
      shot=$bmp
      if command -v convert >/dev/null && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
        rm -f "$bmp"; shot=${bmp%.bmp}.png
      fi
      echo "  screenshot: ${shot#"$repo"/}" ;;
    "e2e: "*" passed, "*" failed") summary=$line ;;
    "E2E-DRIVER-EXIT "*) driver_status=${line#E2E-DRIVER-EXIT } ;;
    *)
      [[ $line == "PASS "* ]] && passed=$((passed + 1))
      [[ $line == "FAIL "* ]] && failed=$((failed + 1))
      echo "$line" ;;
  esac
done < <(
  set +e
  timeout -k 10 "${E2E_TIMEOUT:-2400}" wine "$driver_exe" --app "$(winpath "$app_exe")" \
    --artifacts "$(winpath "$artifacts")" "$@" 2>"$work/wine.log"
  echo "E2E-DRIVER-EXIT $?"
)

if [[ $driver_status == 0 && " $* " == *" --list "* ]]; then exit 0; fi
if [[ -n $summary && ( $driver_status == 0 || $driver_status == 1 ) ]]; then
  echo "$summary"
  [[ $driver_status == 0 ]]
  exit
fi
echo "e2e: the driver ended with status ${driver_status:-unknown} before its summary (see $work/wine.log)" >&2
tail -n 20 "$work/wine.log" >&2
echo "e2e: $passed passed, $((failed + 1)) failed"
exit 1
