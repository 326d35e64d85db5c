#!/usr/bin/env bash
# Party mode in the real program, measured from outside, next to an idle 1 ms
# Qt timer in the same run: on a quiet machine, with both cores busy, and
# with a screen reader's AT-SPI client listening. Runs on the X display and
# sound server of the caller's environment and prints "key: value" lines.
#   bench/party.sh BLARGO_BINARY BENCH_BIN_DIR SECONDS [PRODUCT_BINARY]
# BLARGO_BINARY is the counted program (bench's blargo_counted): it logs its
# ticks. BENCH_BIN_DIR holds the benchmark tools and blargo_no_io.
# PRODUCT_BINARY is the program as shipped, without counters; by default the
# one built next to BENCH_BIN_DIR.
set -euo pipefail
blargo=$1
bin=$2
seconds=$3
product=${4:-$bin/../src/main/blargo}
[ -x "$product" ] || { echo "party.sh: no program without counters at $product" >&2; exit 1; }
bench_dir=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=party_run.sh
source "$bench_dir/party_run.sh"
need xdotool xdotool
need_python pyatspi python3-pyatspi
hog_pids=()
on_exit() { for pid in "${hog_pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
session_work

idle() { "$bin/idle_timer" "$seconds" | tee "$work/idle" | sed -n 's/^idle_ticks_per_s: //p'; }

# 1. A quiet machine.
idle_ticks=$(idle)
echo "screen_refresh_hz: $(sed -n 's/^screen_refresh_hz: //p' "$work/idle")"
echo "idle_cpu_pct: $(sed -n 's/^idle_cpu_pct: //p' "$work/idle")"
# The program as shipped, under the same frame counter as the counted run
# that follows, whose frame figures are the ones kept.
program=$product party frames uncounted
echo "party_cpu_product_pct: $party_cpu"
# A bare window of the program's size (find_window's, just now) that only
# flashes at the screen's rate on the same 1 ms timer: what painting party
# mode's frames costs at least, with nothing drawn but the background.
"$bin/idle_timer" --flash "${WIDTH}x${HEIGHT}" "$seconds" | grep -E '^flash_(cpu_pct|frames_per_s):'
echo "flash_window_size: ${WIDTH}x${HEIGHT}"
party frames
echo "idle_ticks_per_s: $idle_ticks"
echo "party_ticks_per_s: $party_ticks"
echo "colour_ticks_per_s: $colour_ticks"
echo "party_cpu_pct: $party_cpu"
echo "frames_per_s: $frames"
echo "damage_requests_per_s: $frame_requests"

# The same with a mixer stand-in that only takes the value: the program's own
# share, without the sound server's round trips.
program=$bin/blargo_no_io party no-frames
echo "party_no_io_cpu_pct: $party_cpu"
echo "party_no_io_ticks_per_s: $party_ticks"

# The least the writes alone can cost: a bare client paced as party mode,
# without a window; then the same client on a thread of its own, handed each
# level and waiting for its answer, as the window hands its writes over.
"$bin/write_floor" "$seconds"
"$bin/write_floor" --handed "$seconds"

# 2. Both cores busy with two CPU-bound processes at the program's priority.
for _ in 1 2; do
  bash -c 'while :; do :; done' &
  hog_pids+=($!)
done
idle_loaded=$(idle)
party no-frames
kill "${hog_pids[@]}"
wait "${hog_pids[@]}" 2>/dev/null || true
hog_pids=()
echo "idle_loaded_ticks_per_s: $idle_loaded"
echo "party_loaded_ticks_per_s: $party_ticks"
echo "colour_loaded_ticks_per_s: $colour_ticks"

# 3. With a screen reader's client on a private session and accessibility bus.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_session_bus
start_a11y_bus
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
listener_fifo="$work/listener"
mkfifo "$listener_fifo"
# Counts from just after the click (its own events settle in that time) to
# just before the party ends.
/usr/bin/python3 "$bench_dir/a11y_listen.py" "$(calc "$seconds - 0.5" 2)" 0.8 >"$listener_fifo.out" 2>&1 &
listener_pid=$!
(until grep -q listening "$listener_fifo.out" 2>/dev/null; do sleep 0.05; done
 echo go >"$listener_fifo") &
party no-frames
wait "$listener_pid" || true
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON
echo "a11y_events_per_s: $(sed -n 's/^a11y_events_per_s: //p' "$listener_fifo.out")"
echo "a11y_party_cpu_pct: $party_cpu"
sed -n 's/^a11y_event /a11y_event: /p' "$listener_fifo.out"
