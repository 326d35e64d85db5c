#!/usr/bin/env bash
# What one party-mode tick costs in system calls and context switches, in
# the program and in its floor (bench/write_floor --handed: a bare client on
# a thread of its own, handed each write by the timer's thread), counted by
# the kernel over the same span as the ticks. Counts, unlike CPU %, hardly
# move with how busy the machine is, so a change's cost shows at once. Runs on
# the X display and sound server of the caller's environment (or, with
# --own-session, on a private pair of its own) and prints "key: value" lines:
# per tick, the system calls in all and by kind, and each thread's calls and
# context switches (voluntary/involuntary).
#   bench/party_counts.sh [--own-session] COUNTED_BINARY BENCH_BIN_DIR [SECONDS]
# COUNTED_BINARY logs its ticks (bench's blargo_counted or blargo_no_io).
# System calls are counted on the kernel's tracepoints with `perf stat`; where
# perf cannot read them (not root, perf_event_paranoid above -1) only the
# context switches are given, and a line says why.
# shellcheck disable=SC2154  # work and window are session.sh's
set -euo pipefail
own_session=""
if [ "${1:-}" = --own-session ]; then own_session=1; shift; fi
blargo=$1
bin=$2
seconds=${3:-5}
# shellcheck source=party_run.sh
source "$(dirname "$0")/party_run.sh"
need perf linux-perf
if [ -n "$own_session" ]; then session_start; else session_work; fi

# The kinds a tick's work is made of; the rest are counted together.
kinds=(futex poll ppoll read write writev recvmsg sendmsg recvfrom sendto timerfd_settime getpid
  ioctl clock_nanosleep)
events=(-e raw_syscalls:sys_enter)
for kind in "${kinds[@]}"; do events+=(-e "syscalls:sys_enter_$kind"); done
syscalls_counted=1
if ! perf stat -e raw_syscalls:sys_enter -o /dev/null -- true >/dev/null 2>&1; then
  syscalls_counted=""
  echo "party_counts_note: no system call counts: perf cannot read the syscall tracepoints here (root, or kernel.perf_event_paranoid=-1)"
fi

# Each thread of PID as "TID NAME": the first thread is "gui" (for the floor,
# the timer's), another with the process's own name "worker" (the mixer
# thread, or the floor's client), the rest by their names without spaces.
threads() {
  local pid=$1 own task tid name
  own=$(cat "/proc/$pid/comm")
  for task in /proc/"$pid"/task/*; do
    tid=${task##*/}
    name=$(cat "$task/comm" 2>/dev/null) || continue
    if [ "$tid" = "$pid" ]; then
      name=gui
    elif [ "$name" = "$own" ]; then
      name=worker
    else
      name=${name// /_}
      name=${name//[()]/}
    fi
    echo "$tid $name"
  done
}
# "TID VOLUNTARY NONVOLUNTARY" for each thread of PID.
switches() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v tid="${task##*/}" '/^voluntary_ctxt_switches/ { v = $2 }
      /^nonvoluntary_ctxt_switches/ { n = $2 } END { print tid, v, n }' "$task/status" 2>/dev/null ||
      true
  done
}

# Counts PID's calls and switches for SECONDS, into files under PREFIX; sets
# span to the seconds counted.
count() {  # PREFIX PID
  local prefix=$1 pid=$2
  threads "$pid" >"$work/$prefix.threads"
  # The span and the switches are taken by what perf runs, so that they
  # cover what it counts and not its own start.
  # shellcheck disable=SC2016  # the quoted script is bash -c's, which expands it
  local span_of=(bash -c 'switches "$1" >"$2.switches0"; date +%s.%N >"$2.t0"; sleep "$3"
    date +%s.%N >"$2.t1"; switches "$1" >"$2.switches1"' span "$pid" "$work/$prefix" "$seconds")
  export -f switches
  if [ -n "$syscalls_counted" ]; then
    perf stat --per-thread -x, "${events[@]}" -p "$pid" -o "$work/$prefix.stat" -- "${span_of[@]}" \
      >/dev/null 2>&1
  else
    "${span_of[@]}"
  fi
  span=$(calc "$(cat "$work/$prefix.t1") - $(cat "$work/$prefix.t0")" 3)
}

# Prints PREFIX's keys, TICKS being its ticks over the span counted.
report() {  # PREFIX TICKS
  local prefix=$1 ticks=$2
  echo "${prefix}_counted_ticks: $ticks"
  if [ -n "$syscalls_counted" ]; then
    # perf -x, per thread: "comm-tid,count,,event,...".
    awk -F, -v ticks="$ticks" -v prefix="$prefix" -v names="$work/$prefix.threads" '
      BEGIN { while ((getline line < names) > 0) { split(line, f, " "); name[f[1]] = f[2] } }
      NF >= 4 && $2 ~ /^[0-9]+$/ {
        tid = $1; sub(/.*-/, "", tid)
        ev = $4; sub(/^syscalls:sys_enter_/, "", ev)
        who = (tid in name) ? name[tid] : "gone"
        if (ev == "raw_syscalls:sys_enter") { all += $2; by_thread[who] += $2 }
        else { by_kind[ev] += $2; kinds_sum += $2; by_thread_kind[who "|" ev] += $2 }
      }
      END {
        printf "%s_syscalls_per_tick: %.2f\n", prefix, all / ticks
        for (k in by_kind) if (by_kind[k] > 0) printf "%s_syscalls_per_tick_%s: %.2f\n", prefix, k, by_kind[k] / ticks
        printf "%s_syscalls_per_tick_other: %.2f\n", prefix, (all - kinds_sum) / ticks
        for (t in by_thread) if (by_thread[t] > 0) printf "%s_thread_%s_syscalls_per_tick: %.2f\n", prefix, t, by_thread[t] / ticks
        for (t in by_thread_kind) if (by_thread_kind[t] > 0) printf "%s_thread_%s_syscalls_per_tick_%s: %.2f\n", prefix, substr(t, 1, index(t, "|") - 1), substr(t, index(t, "|") + 1), by_thread_kind[t] / ticks
      }' "$work/$prefix.stat" | sort
  fi
  join "$work/$prefix.switches0" "$work/$prefix.switches1" 2>/dev/null |
    join - <(sort "$work/$prefix.threads") |
    awk -v ticks="$ticks" -v prefix="$prefix" '
      { v[$6] += $4 - $2; n[$6] += $5 - $3 }
      END { for (t in v) if (v[t] + n[t] > 0)
              printf "%s_thread_%s_switches_per_tick: %.2f/%.2f\n", prefix, t, v[t] / ticks, n[t] / ticks }' |
    sort
}

# The program: its ticks come from its own log, over the span it ticked.
log="$work/counters"
rm -f "$log"
read -r app_pid _ < <(BLARGO_COUNTER_LOG=$log "$bin/map_wait" 10 "$blargo")
find_window "$app_pid"
click_on "PLAY BABY!!!"
sleep 0.5
count party "$app_pid"
click_on "STOP DEVIL!!!"
"$bin/../tools/x_close_window" "$window"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
app_pid=""
rate=$(awk '$1 == "clock" && $2 == 1 { printf "%.3f", $3 / (($5 - $4) / 1e9) }' "$log")
report party "$(calc "$rate * $span" 0)"

# The floor, run a second longer than it is counted; its ticks per second
# are its own figure over its whole run.
"$bin/write_floor" --handed "$((${seconds%.*} + 2))" >"$work/floor" &
floor_pid=$!
sleep 0.5
count write_floor_handed "$floor_pid"
wait "$floor_pid"
rate=$(sed -n 's/^write_floor_handed_ticks_per_s: //p' "$work/floor")
report write_floor_handed "$(calc "$rate * $span" 0)"
