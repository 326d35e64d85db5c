#!/usr/bin/env bash
# Two builds of the program measured in turns on the caller's sound server and
# X display, so that their figures can be compared although a shared machine
# is never equally busy twice: one volume write's cost and party mode, round
# after round, A then B in odd rounds and B then A in even ones, so that a
# machine growing busier or quieter weighs on both alike. Prints "key: value"
# lines: each figure's median over the rounds for A and for B, B's median over
# A's, and the lowest and highest of the rounds' own B/A ratios, which say how
# far the ratio can be trusted.
#   bench/against.sh BUILD_A BUILD_B ROUNDS SECONDS WRITES [SERVER_PID]
# A build is a build directory with bench/write_cost, bench/blargo_counted and
# src/main/blargo. The tools that drive the runs are BUILD_A's.
set -euo pipefail
build_a=$1
build_b=$2
rounds=$3
seconds=$4
writes=$5
server_pid=${6:-}
bin=$build_a/bench
for build in "$build_a" "$build_b"; do
  for file in bench/write_cost bench/blargo_counted src/main/blargo; do
    [ -x "$build/$file" ] || { echo "against.sh: no $file in $build" >&2; exit 1; }
  done
done

# shellcheck source=party_run.sh
source "$(dirname "$0")/party_run.sh"
session_work

# One build's figures, appended to $work/NAME as "key value" lines.
measure() {  # NAME BUILD
  local name=$1 build=$2
  "$build/bench/write_cost" "$writes" >"$work/writes"
  for k in write_server_us write_setter_us write_floor_us; do
    echo "$k $(sed -n "s/^$k: //p" "$work/writes")" >>"$work/$name"
  done
  # The floor is the same code in both builds, yet its figure moves with the
  # server's scheduling from one write_cost run to the next: the binding's
  # figure over the floor's in the same run is the steadier comparison.
  awk '/^write_floor_us: / { f = $2 } /^write_server_us: / { s = $2 }
       END { printf "write_server_x_floor %.3f\n", s / f }' "$work/writes" >>"$work/$name"
  program=$build/src/main/blargo party no-frames uncounted
  echo "party_cpu_product_pct $party_cpu" >>"$work/$name"
  if [ -n "$server_pid" ]; then echo "party_server_cpu_pct $server_cpu" >>"$work/$name"; fi
  program=$build/bench/blargo_counted party no-frames
  echo "party_ticks_per_s $party_ticks" >>"$work/$name"
  echo "party_cpu_pct $party_cpu" >>"$work/$name"
}

for ((round = 1; round <= rounds; round++)); do
  echo "against.sh: round $round of $rounds" >&2
  if ((round % 2)); then
    measure a "$build_a"
    measure b "$build_b"
  else
    measure b "$build_b"
    measure a "$build_a"
  fi
done

values() { awk -v k="$2" '$1 == k { print $2 }' "$work/$1"; }
echo "rounds: $rounds"
for k in write_server_us write_server_x_floor write_setter_us write_floor_us \
  party_cpu_product_pct party_server_cpu_pct party_ticks_per_s party_cpu_pct; do
  [ -n "$(values a "$k")" ] || continue
  a=$(values a "$k" | median)
  b=$(values b "$k" | median)
  echo "${k}_a: $a"
  echo "${k}_b: $b"
  echo "${k}_ratio: $(calc "$b / $a" 3)"
  read -r low high < <(paste <(values a "$k") <(values b "$k") |
    awk '{ r = $2 / $1; if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r }
         END { printf "%.3f %.3f\n", lo, hi }')
  echo "${k}_ratio_range: $low..$high"
done
