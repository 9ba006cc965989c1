#!/usr/bin/env bash
# Measures timelock.exe against the bare baseline (bench/baseline.cpp) under Wine,
# both in one run, prints the table and writes it to build/bench/results.md.
#
#   scripts/bench.sh [--no-build] [driver options: --starts N --idle-seconds S
#                                  --answer-rounds N --check-rounds N]
#
# About a minute and a half after the build. The two programs spend their idle
# minute at the same time, so it is the same minute of the same machine for both.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$repo/build/bench
prefix=$work/prefix
results=$work/results.md
app_exe=$repo/build/win64/timelock.exe
base_exe=$repo/build/win64/bench/timelock_baseline.exe
driver_exe=$repo/build/win64/bench/timelock_bench.exe
# Windows' own DLLs; anything else would have to be shipped beside the exe.
own_dlls='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comctl32|comdlg32|shlwapi|uxtheme|msvcrt)\.dll$'
sample_period=0.05

build=1
if [[ ${1:-} == --no-build ]]; then build=0; shift; fi

die() { echo "bench: $*" >&2; exit 2; }

for tool in wine wineserver Xvfb x86_64-w64-mingw32-objdump flock awk; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh installs what the bench needs)"
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 LC_ALL=C.UTF-8
unset WINESERVER DISPLAY
mkdir -p "$work"
exec 9>"$work/.lock"
flock -w 600 9 || die "another bench run holds $work/.lock"

if ((build)); then
  # Only what is measured: a half-written test elsewhere in the tree does not stop the bench.
  { cmake --preset win64 && cmake --build --preset win64 --target timelock timelock_baseline timelock_bench; } \
    >"$work/build.log" 2>&1 \
    || { tail -n 30 "$work/build.log" >&2; die "the win64 build failed (see $work/build.log)"; }
fi
for exe in "$app_exe" "$base_exe" "$driver_exe"; do [[ -f $exe ]] || die "$exe not found; build the win64 preset"; done

"$repo/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix

xvfb_pid= sampler_pid=
cleanup() {
  set +e
  [[ -n $sampler_pid ]] && kill "$sampler_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fifo=$work/.displayfd
rm -f "$fifo"; mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$fifo" || die "Xvfb did not start (see $work/xvfb.log)"
rm -f "$fifo"
export DISPLAY=:$display
# A running server keeps every start warm, the first timed one included.
wineserver -p

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# --- the Linux side of the two wine processes -------------------------------------

tag=b$$
declare -A linux_pid fig imports

# The driver puts the tag on each target's command line; the bracket keeps grep
# from finding its own.
find_linux_pid() {
  local hit
  hit=$(grep -l -a -z -E "timelock-bench-tag[=]$tag\.$1( |\$)" /proc/[0-9]*/cmdline 2>/dev/null | head -1) || true
  [[ -n $hit ]] || die "no wine process carries the tag $tag.$1"
  hit=${hit#/proc/}
  linux_pid[$1]=${hit%/cmdline}
}

# Sums over all threads: the message loop, and whatever threads Wine adds.
switches=0 run_ns=0 threads=0
read_threads() {
  local task key value rest
  switches=0 run_ns=0 threads=0
  for task in /proc/"$1"/task/*; do
    threads=$((threads + 1))
    if read -r value rest <"$task/schedstat"; then run_ns=$((run_ns + value)); fi
    while read -r key value rest; do
      if [[ $key == voluntary_ctxt_switches: ]]; then switches=$((switches + value)); fi
    done <"$task/status"
  done
}

sample() {
  local mark=$1 role pid line key value rest
  # The whole machine's busy and total jiffies: other work on a two-core machine skews every figure.
  read -r key line <"/proc/stat"
  set -- $line
  fig[machine.$mark.busy]=$(($1 + $2 + $3 + $6 + $7 + $8))
  fig[machine.$mark.total]=$(($1 + $2 + $3 + $4 + $5 + $6 + $7 + $8))
  for role in app base; do
    [[ -n ${linux_pid[$role]:-} ]] || find_linux_pid "$role"
    pid=${linux_pid[$role]}
    read -r line <"/proc/$pid/stat"
    line=${line##*) }
    set -- $line
    fig[linux.$mark.$role.cpu_ticks]=$((${12} + ${13}))
    read_threads "$pid"
    fig[linux.$mark.$role.run_ms]=$((run_ns / 1000000))
    fig[linux.$mark.$role.switches]=$switches
    fig[linux.$mark.$role.threads]=$threads
    while read -r key value rest; do
      case $key in VmRSS:|RssAnon:|RssFile:) fig[linux.$mark.$role.${key%:}_kb]=$value ;; esac
    done <"/proc/$pid/status"
    fig[linux.$mark.$role.private_kb]=$(awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s + 0}' \
      "/proc/$pid/smaps_rollup")
  done
}

# A wake-up is a run of samples in which a process's voluntary switches went up,
# after one in which they did not: one burst of work, however many server round
# trips it made. Lines are "seconds app-switches base-switches app-ns base-ns".
sampler() {
  local t a an
  while :; do
    t=$EPOCHREALTIME
    read_threads "${linux_pid[app]}"; a=$switches an=$run_ns
    read_threads "${linux_pid[base]}"
    echo "$t $a $switches $an $run_ns"
    sleep "$sample_period"
  done
}

count_wakeups() {
  awk -v col="$1" 'NR > 1 && $col > last { if (!busy) n++; busy = 1; last = $col; next }
                   { busy = 0; last = $col } END { print n + 0 }' "$work/samples.txt"
}

# CPU milliseconds in each third of the idle run (shown, hidden, shown), as "a/b/c".
cpu_by_third() {
  awk -v col="$1" -v length_s="${fig[idle.seconds]}" '
    NR == 1 { t0 = $1; first = $col }
    { third = int(($1 - t0) * 3 / length_s); if (third > 2) third = 2
      if (!(third in start)) start[third] = (third == 0 ? first : prev)
      end[third] = $col; prev = $col }
    END { printf "%.0f/%.0f/%.0f", (end[0] - start[0]) / 1e6, (end[1] - start[1]) / 1e6, (end[2] - start[2]) / 1e6 }
  ' "$work/samples.txt"
}

# --- the run ---------------------------------------------------------------------

echo "bench: timelock.exe against the baseline; this takes about a minute and a half" >&2
started=$(date +%s)
read -r load_before _ </proc/loadavg
driver_status=
while IFS= read -r line; do
  line=${line%$'\r'}
  case $line in
    "MARK idle-begin")
      sample idle-begin
      sampler >"$work/samples.txt" &
      sampler_pid=$! ;;
    "MARK idle-end")
      kill "$sampler_pid"; wait "$sampler_pid" 2>/dev/null || true; sampler_pid=
      sample idle-end ;;
    "MARK "*) sample "${line#MARK }" ;;
    "FIG "*) read -r _ key value <<<"$line"; fig[$key]=$value ;;
    "NOTE "*) echo "bench: ${line#NOTE }" >&2 ;;
    "ERROR "*) echo "bench: driver: ${line#ERROR }" >&2 ;;
    # Not the end of input: a target that outlived the driver may still hold the pipe.
    "DRIVER-EXIT "*) driver_status=${line#DRIVER-EXIT }; break ;;
  esac
done < <(
  set +e
  timeout -k 10 600 wine "$driver_exe" --app "$(winpath "$app_exe")" --baseline "$(winpath "$base_exe")" \
    --tag "$tag" "$@" 2>"$work/wine.log"
  echo "DRIVER-EXIT $?"
)
[[ $driver_status == 0 ]] || die "the driver failed with status ${driver_status:-unknown} (see $work/wine.log)"

fig[wake.app]=$(count_wakeups 2)
fig[wake.base]=$(count_wakeups 3)
fig[wake.samples]=$(wc -l <"$work/samples.txt")
fig[wake.period_ms]=$(awk 'NR == 1 { t0 = $1 } END { printf "%.0f", ($1 - t0) * 1000 / (NR - 1) }' "$work/samples.txt")
fig[cpu.thirds.app]=$(cpu_by_third 4)
fig[cpu.thirds.base]=$(cpu_by_third 5)
for role in app base; do
  exe=$app_exe; [[ $role == base ]] && exe=$base_exe
  fig[size.$role]=$(stat -c %s "$exe")
  imports[$role]=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}' | sort -f | paste -sd ' ')
done
foreign=
for dll in ${imports[app]}; do [[ ${dll,,} =~ $own_dlls ]] || foreign+=" $dll"; done
fig[size.foreign]=${foreign:-none}
elapsed=$(($(date +%s) - started))
read -r load_after _ </proc/loadavg

# --- the table ---------------------------------------------------------------------

kv=$work/figures.txt
for key in "${!fig[@]}"; do printf '%s %s\n' "$key" "${fig[$key]}"; done | sort >"$kv"

table=$(awk -v app_imports="${imports[app]}" -v base_imports="${imports[base]}" '
  { f[$1] = $2 }
  function ratio(a, b) { return b > 0 ? sprintf("%.2f×", a / b) : "—" }
  function mib(bytes) { return sprintf("%.2f", bytes / 1048576) }
  function row(name, a, b, r, goal, met) { printf "| %s | %s | %s | %s | %s | %s |\n", name, a, b, r, goal, met }
  function yes(ok) { return ok ? "yes" : "**no**" }
  function ms(x) { return sprintf("%.1f", x) }
  function memory(name, key) {
    a = f[key ".app." kind]; b = f[key ".base." kind]
    row(name, mib(a), mib(b), ratio(a, b), "≤ baseline + 1 MiB", yes(a <= b + 1048576) sprintf(" (%+.2f MiB)", (a - b) / 1048576))
  }
  END {
    print "| Figure | timelock | baseline | ratio | goal | met? |"
    print "| --- | --- | --- | --- | --- | --- |"
    a = f["startup.app.median"]; b = f["startup.base.median"]
    row("Start-up to visible window, median of " int(f["startup.app.n"]) " (ms)", ms(a), ms(b), ratio(a, b), "≤ 1.10×", yes(a <= 1.10 * b))
    row("Start-up spread, p25–p75 / min–max (ms)",
        ms(f["startup.app.p25"]) "–" ms(f["startup.app.p75"]) " / " ms(f["startup.app.min"]) "–" ms(f["startup.app.max"]),
        ms(f["startup.base.p25"]) "–" ms(f["startup.base.p75"]) " / " ms(f["startup.base.min"]) "–" ms(f["startup.base.max"]),
        "—", "—", "—")
    secs = f["idle.seconds"]
    a = f["linux.idle-end.app.run_ms"] - f["linux.idle-begin.app.run_ms"]
    b = f["linux.idle-end.base.run_ms"] - f["linux.idle-begin.base.run_ms"]
    row(sprintf("CPU time in %.0f s armed, shown/hidden/shown (ms)", secs), a, b, ratio(a, b), "≤ 1.5×", yes(a <= 1.5 * b))
    checks = int(secs / 10)
    a = f["wake.app"]; b = f["wake.base"]
    row(sprintf("CPU time in each third: shown / hidden / shown (ms)"), f["cpu.thirds.app"], f["cpu.thirds.base"], "—", "report", "—")
    row(sprintf("Wake-ups in %.0f s (bursts of activity, sampled every %d ms)", secs, f["wake.period_ms"]), a, b, ratio(a, b),
        "≤ baseline + " checks " (the 10 s check)", yes(a <= b + checks))
    a = f["linux.idle-end.app.switches"] - f["linux.idle-begin.app.switches"]
    b = f["linux.idle-end.base.switches"] - f["linux.idle-begin.base.switches"]
    row(sprintf("Voluntary context switches in %.0f s, all threads", secs), a, b, ratio(a, b), "report", "—")
    kind = "ws";      memory("Resident after start (MiB)", "mem.start")
    kind = "private"; memory("Private after start (MiB)", "mem.start")
    kind = "ws";      memory(sprintf("Resident after %.0f s (MiB)", secs), "mem.end")
    kind = "private"; memory(sprintf("Private after %.0f s (MiB)", secs), "mem.end")
    a = f["size.app"]; b = f["size.base"]
    row("Exe size (KiB)", sprintf("%.1f", a / 1024), sprintf("%.1f", b / 1024), ratio(a, b), "≤ 256 KiB", yes(a <= 262144))
    row("Imports", app_imports, base_imports, "—", "Windows’ own DLLs only",
        f["size.foreign"] == "none" ? "yes" : "**no** (" f["size.foreign"] ")")
    a = f["react.idle.app.median"]; b = f["react.idle.base.median"]
    row("Answer while idle, WM_NULL round trip, median / p95 (ms)",
        sprintf("%.2f / %.2f", a, f["react.idle.app.p95"]), sprintf("%.2f / %.2f", b, f["react.idle.base.p95"]),
        ratio(a, b), "report", "—")
    row("Answer during a schedule check, median / max of " int(f["react.check.answer.n"]) " (ms)",
        sprintf("%.2f / %.2f", f["react.check.answer.median"], f["react.check.answer.max"]), "— (no check)", "—",
        "report (up to 1000 ms by design)", "—")
    row("Schedule check, window busy for, median / max of " int(f["react.check.duration.n"]) " (ms)",
        sprintf("%.1f / %.1f", f["react.check.duration.median"], f["react.check.duration.max"]), "— (no check)", "—",
        "report (up to 1000 ms by design)", "—")
  }' "$kv")

notes=$(WINE_VERSION=$(wine --version) CORES=$(nproc) WHEN=$(date -u '+%Y-%m-%d %H:%M UTC') awk '{ f[$1] = $2 }
  END {
    printf "- Wine %s, %s cores, %s. The idle runs of both programs were the same %.0f s, side by side.\n",
      ENVIRON["WINE_VERSION"], ENVIRON["CORES"], ENVIRON["WHEN"], f["idle.seconds"]
    printf "- CPU time is the run time of all threads of each wine process (/proc/PID/task/*/schedstat); utime+stime in clock ticks: %d and %d.\n",
      f["linux.idle-end.app.cpu_ticks"] - f["linux.idle-begin.app.cpu_ticks"], f["linux.idle-end.base.cpu_ticks"] - f["linux.idle-begin.base.cpu_ticks"]
    printf "- Wake-ups come from %d samples of the voluntary context switches; the program was still armed at the end: %s.\n",
      f["wake.samples"], f["idle.armed_at_end"] == 1 ? "yes" : "NO"
    printf "- Resident is GetProcessMemoryInfo'"'"'s working set (VmRSS); private is the committed MEM_PRIVATE pages (VirtualQueryEx), since Wine reports PrivateUsage as 0. On the Linux side after the idle run, timelock against the baseline: anonymous resident %.2f and %.2f MiB, file-backed resident %.2f and %.2f MiB, private resident %.2f and %.2f MiB.\n",
      f["linux.idle-end.app.RssAnon_kb"] / 1024, f["linux.idle-end.base.RssAnon_kb"] / 1024,
      f["linux.idle-end.app.RssFile_kb"] / 1024, f["linux.idle-end.base.RssFile_kb"] / 1024,
      f["linux.idle-end.app.private_kb"] / 1024, f["linux.idle-end.base.private_kb"] / 1024
    printf "- During a check the message was sent %.0f ms (median) after the check was posted, once the lock command had started; %d of the rounds saw no lock command start. Wine'"'"'s WaitForInputIdle answers sent messages while it waits, so the answer time here is lower than Windows would give; posted input and paints wait for the whole check.\n",
      f["react.check.sent_after.median"], f["react.check.misses"]
  }' "$kv")

busy_pct=$(awk '{ f[$1] = $2 } END {
  t = f["machine.idle-end.total"] - f["machine.idle-begin.total"]
  printf "%.0f", (t > 0 ? 100 * (f["machine.idle-end.busy"] - f["machine.idle-begin.busy"]) / t : 0) }' "$kv")
load_warning=" The machine's CPUs were ${busy_pct}% busy during the idle run."
# Two idle wine programs and the sampler keep a two-core machine a few per cent busy.
((busy_pct <= 15)) || load_warning+=" **Other work was running: the figures are not a clean measurement; run again on a quiet machine.**"

{
  echo "# timelock benchmark"
  echo
  echo "$table"
  echo
  echo "$notes"
  echo "- Run time: ${elapsed} s; load average ${load_before} before and ${load_after} after.$load_warning"
} >"$results.tmp"
mv "$results.tmp" "$results"
cat "$results"
echo
echo "bench: written to ${results#"$repo"/}"
