#!/usr/bin/env bash
# Where the program spends its time in party mode: the real program under
# Xvfb and a private sound server, sampled with `perf record -e cpu-clock -g`
# for a few seconds of party mode. Prints the top of the profile by shared
# object and by symbol (self time). With "syscalls", counts the system calls
# of each thread instead (`perf stat` on their tracepoints), which tell a
# wake more per write when the samples, mostly the scheduler's, do not.
#   bench/profile_party.sh BLARGO_BINARY [SECONDS] [syscalls]
set -euo pipefail
blargo=$1
seconds=${2:-5}
mode=${3:-samples}
# shellcheck source=../tests/support/session.sh
source "$(dirname "$0")/../tests/support/session.sh"
need perf linux-perf
on_exit() { if [ -n "${KEEP_PERF:-}" ]; then cp "$work/perf.data" "$KEEP_PERF" 2>/dev/null || true; fi; }
session_start

start_program "$blargo"
click_on "PLAY BABY!!!"
sleep 1
if [ "$mode" = syscalls ]; then
  # Counted by the kernel's tracepoints, exactly, per thread, for the calls
  # a write and its hand-over make.
  events=()
  for call in futex poll ppoll read write writev getpid; do events+=(-e "syscalls:sys_enter_$call"); done
  perf stat --per-thread "${events[@]}" -p "$app_pid" -o "$work/stat" -- sleep "$seconds" \
    >/dev/null 2>&1
  awk '$2 ~ /^[0-9,]+$/ && $3 ~ /^syscalls:/ && $2 != "0" {
         gsub(/,/, "", $2); sub(/syscalls:sys_enter_/, "", $3); printf "%-28s %-8s %9d\n", $1, $3, $2 }' \
    "$work/stat"
  exit 0
fi
perf record -q -e cpu-clock -g -p "$app_pid" -o "$work/perf.data" -- sleep "$seconds" \
  >/dev/null 2>&1
echo "$(perf report -i "$work/perf.data" --stdio 2>/dev/null | sed -n 's/^# Samples: \(.*\) of event.*/\1/p' | head -n 1) samples in ${seconds} s"
echo "By shared object (self):"
perf report -i "$work/perf.data" --no-children --sort dso --stdio 2>/dev/null |
  grep -E '^ +[0-9.]+%' | head -n 8
echo
echo "By symbol (self):"
perf report -i "$work/perf.data" --no-children --sort dso,sym --stdio -g none 2>/dev/null |
  grep -E '^ +[0-9.]+%' | head -n 12 | cut -c 1-120
echo
echo "By named symbol, with what it calls (inclusive):"
perf report -i "$work/perf.data" --children --sort sym --stdio -g none 2>/dev/null |
  grep -E '^ +[0-9.]+%' | grep -v -E '\] 0x[0-9a-f]+ *$' | head -n 25 | cut -c 1-120
