# shellcheck shell=bash disable=SC2034,SC2154  # the caller sets the inputs and reads the results
# The party run shared by bench/party.sh and bench/against.sh: sourced, it
# defines party() and the helpers it uses, with tests/support/session.sh's
# (the scratch folder, the window and its controls). The caller sets work (a scratch
# directory), bin (the benchmark tools), seconds, and blargo or program (the
# program to run); listener_fifo, when set, names a fifo read before the click;
# server_pid, when set, names the sound server, whose CPU meanwhile is taken.
# shellcheck source=../tests/support/session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tests/support/session.sh"
cpu_s() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"; }
now_s() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-1}f\", $1 }"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Starts the program, plays for SECONDS and closes it. Sets party_ticks,
# colour_ticks, party_cpu, frames; with "frames" counts frames meanwhile. With
# "uncounted" the program logs no ticks, and only its CPU is taken. Sets
# server_cpu too when server_pid is set.
party() {
  local count_frames=$1 counted=${2:-counted} log="$work/counters.$RANDOM" window start elapsed cpu0
  rm -f "$log"
  read -r app_pid _ < <(BLARGO_COUNTER_LOG=$log "$bin/map_wait" 10 "${program:-$blargo}")
  find_window "$app_pid"
  # Listeners on the accessibility bus, if any, are told first.
  if [ -n "${listener_fifo:-}" ]; then read -r _ <"$listener_fifo"; fi
  click_on "PLAY BABY!!!"
  sleep 0.5
  local counter_pid=""
  rm -f "$work/frames"
  if [ "$count_frames" = frames ]; then
    "$bin/frame_count" "$window" "$seconds" >"$work/frames" &
    counter_pid=$!
  fi
  local server_cpu0=""
  if [ -n "${server_pid:-}" ]; then server_cpu0=$(cpu_s "$server_pid"); fi
  cpu0=$(cpu_s "$app_pid")
  start=$(now_s)
  sleep "$seconds"
  elapsed=$(calc "$(now_s) - $start" 3)
  party_cpu=$(calc "($(cpu_s "$app_pid") - $cpu0) / $elapsed * 100")
  if [ -n "$server_cpu0" ]; then
    server_cpu=$(calc "($(cpu_s "$server_pid") - $server_cpu0) / $elapsed * 100")
  fi
  if [ -n "$counter_pid" ]; then wait "$counter_pid"; fi
  frames=$(sed -n 's/^frames_per_s: //p' "$work/frames" 2>/dev/null || true)
  frame_requests=$(sed -n "s/^damage_requests_per_s: //p" "$work/frames" 2>/dev/null || true)
  click_on "STOP DEVIL!!!"
  "$bin/../tools/x_close_window" "$window"
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
  app_pid=""
  if [ "$counted" = uncounted ]; then
    party_ticks="" colour_ticks=""
    return
  fi
  # "clock 1 PULSES FIRST_NS LAST_NS GAP_NS": the party's three timers share
  # the 1 ms clock, and each pulse of it in party mode ticks the colour
  # cycle's timer and one of the ramp's. Builds from before the clock was
  # counted log "timer NAME TICKS FIRST_NS LAST_NS GAP_NS" per timer, in
  # which Timer3 runs for the whole party.
  read -r party_ticks colour_ticks < <(awk '
    $1 == "clock" && $2 == 1 { ticks["Timer1"] = $3; ticks["Timer3"] = $3; first["Timer3"] = $4; last["Timer3"] = $5 }
    $1 == "timer" { ticks[$2] = $3; first[$2] = $4; last[$2] = $5 }
    END { span = (last["Timer3"] - first["Timer3"]) / 1e9
          printf "%.0f %.0f\n", (ticks["Timer1"] + ticks["Timer2"]) / span, ticks["Timer3"] / span }' "$log")
}

