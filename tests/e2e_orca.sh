#!/usr/bin/env bash
# The real program heard through a real screen reader: Orca with
# speech-dispatcher speaking through espeak-ng into the private sound server,
# on private session and accessibility buses under openbox, the window worked
# with the keyboard (and one click), as a blind user works it. The checks read
# what Orca sent to speech (its debug output) and what the voice began to say
# (a log the voice keeps), and leave both in OUTPUT_DIR (orca-speech.txt,
# voice.txt, with Orca's whole debug output in orca-debug.txt). They ask what
# a listener hears from any Orca version (each control's name and role, each
# level), not one version's wording of it.
#   e2e_orca.sh BLARGO_BINARY OUTPUT_DIR
set -euo pipefail
here_dir=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=support/session.sh
source "$here_dir/support/session.sh"
need orca orca
need speech-dispatcher speech-dispatcher
need /usr/lib/speech-dispatcher-modules/sd_generic speech-dispatcher
need espeak-ng espeak-ng
need paplay pulseaudio-utils
need script bsdutils
need pgrep procps
private_bus "$@"
blargo=$1
out=$2
mkdir -p "$out"
orca_pid=""
log=""
on_exit() {
  # The transcript, for whoever looks into a failure too.
  if [ -f "$log" ]; then
    raw_speech >"$out/orca-speech.txt" 2>/dev/null || true
    tr -d '\r' <"$log" >"$out/orca-debug.txt" 2>/dev/null || true
    cp "$work/voice.log" "$out/voice.txt" 2>/dev/null || true
  fi
  if [ -n "$orca_pid" ]; then
    # Orca runs under `script`; it must be gone before another test starts
    # one, since Orca refuses to run beside another of the same user.
    local pids
    pids="$(pgrep -P "$orca_pid" || true) $orca_pid"
    # shellcheck disable=SC2086
    kill $pids 2>/dev/null || true
    for _ in $(seq 100); do
      # shellcheck disable=SC2086
      kill -0 $pids 2>/dev/null || break
      sleep 0.1
    done
  fi
}
session_start

# Orca's and speech-dispatcher's settings, sockets and logs stay in the test's
# folder; the sound server's exports (PULSE_SERVER) stay as they are.
export HOME=$work/orca-home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/orca-run
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher/modules" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

start_openbox
start_a11y_bus

# The voice: espeak-ng played at its own pace into the private sound server,
# each utterance noted as it starts, so that a backlog shows.
cat >"$work/speak" <<SPEAK
#!/bin/sh
printf '%s %s\n' "\$(date +%s.%N)" "\$1" >>"$work/voice.log"
printf %s "\$1" | espeak-ng -v en-us --stdin --stdout | paplay
SPEAK
chmod +x "$work/speak"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<CONF
LogDir "$work/speechd"
DefaultModule voice
AddModule "voice" "sd_generic" "voice.conf"
CONF
cat >"$XDG_CONFIG_HOME/speech-dispatcher/modules/voice.conf" <<CONF
GenericExecuteSynth "$work/speak \'\$DATA\'"
GenericLanguage "en" "en-us" "utf-8"
AddVoice "en" "MALE1" "en-us"
CONF
mkdir -p "$work/speechd"

# Orca runs only where no other Orca of the same user does (one that a test
# just stopped may take a moment to go).
other_orca() { pgrep -u "$(id -u)" -x orca >/dev/null; }
no_other_orca() { ! other_orca; }
if ! WAIT_SECONDS=20 wait_for no_other_orca; then
  echo "SKIP: another Orca runs for this user (pid $(pgrep -u "$(id -u)" -x orca | paste -sd' '))"
  exit 77
fi
# Orca writes its debug output line by line only to a terminal.
log=$work/orca.log
script -qfc "exec orca --debug-file /dev/tty" /dev/null >"$log" 2>&1 &
orca_pid=$!
# What Orca sent to speech so far, one "HH:MM:SS.ffffff text" a line, as
# sent (left in OUTPUT_DIR for whoever looks into a failure).
raw_speech() {
  tr -d '\r' <"$log" 2>/dev/null |
    sed -n "s/^\([0-9:.]*\) - SPEECH OUTPUT: '\([^']*\)'.*/\1 \2/p"
}
# The same in the words a listener hears from any Orca: versions differ in
# punctuation and role words (Orca 43 says "push button." and "Volume :
# scroll bar 0.", Orca 48 "button." and "Volume : scroll bar 0 0 percent."),
# so the end period, spaces before a colon, repeated and trailing spaces go,
# and "push button" is "button". Utterances left empty (a key echo of
# spaces) are dropped.
speech() {
  raw_speech | sed -E 's/ +$//; s/\.$//; s/ +:/:/g; s/ {2,}/ /g; s/push button/button/g' |
    grep -vE '^[^ ]+ ?$' || true
}
spoke_on() { speech | grep -qi "^[^ ]* Screen reader on"; }
if ! WAIT_SECONDS=60 wait_for spoke_on; then
  kill -0 "$orca_pid" 2>/dev/null || { echo "SKIP: Orca cannot run here: $(tr -d '\r' <"$log" | tail -n 1)"; exit 77; }
  fail "Orca did not speak within 60 s"
fi

# The utterances after the mark, without their times.
mark=0
set_mark() { mark=$(speech | wc -l); }
since_mark() { speech | tail -n +$((mark + 1)); }
texts() { since_mark | cut -d' ' -f2-; }
transcript() { texts | paste -sd'|'; }
# An extended regular expression matching TEXT literally.
literal() { sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$1"; }
heard() { texts | grep -qxE -- "$1"; }
# `said_like REGEX` waits for an utterance after the mark that is all REGEX;
# `said TEXT` for the exact TEXT.
said_like() { WAIT_SECONDS=30 wait_for heard "$1" || fail "Orca did not say ${2:-/$1/}; it said: $(transcript)"; }
said() { said_like "$(literal "$1")" "\"$1\""; }
# A control with the focus: its name, then its role, then anything more a
# version adds (a value, a percentage of the range).
focus_like() { echo "$(literal "$1") $(literal "$2")( .*)?"; }
focused() { said_like "$(focus_like "$@")" "\"$1\" as a $2"; }
seconds() { awk -F: '{ printf "%.6f\n", $1 * 3600 + $2 * 60 + $3 }' <<<"$1"; }
now() { seconds "$(date +%H:%M:%S.%N)"; }
# When Orca said what REGEX matches (first after the mark), in seconds of
# the day, on the clock date reads too.
said_at() {
  seconds "$(since_mark | r="^($1)\$" awk '{ s = $0; sub(/^[^ ]* /, "", s) } s ~ ENVIRON["r"] { print $1; exit }')"
}
press() {  # press KEY ECHO: the key, once Orca has echoed it
  set_mark
  pressed_at=$(now)
  pressed_epoch=$(date +%s.%N)
  xdotool key "$1"
  said "$2"
}
ms_since() {  # ms_since T REGEX: from T (seconds of the day) to REGEX said
  awk -v a="$1" -v b="$(said_at "$2")" 'BEGIN { printf "%d", (b - a) * 1000 }'
}
# The levels among the utterances (a version may say the notification's
# role before or with it).
levels() { cut -d' ' -f2- | sed 's/^notification //' | grep -xE '[0-9]+%' || true; }
# Every level said after the mark is LEVEL: none the label has left.
only_level() {
  local other
  other=$(since_mark | levels | grep -vxF "$1" || true)
  [ -z "$other" ] || fail "$2: Orca said a level the label no longer shows: $(paste -sd' ' <<<"$other") (the label: $1); it said: $(transcript)"
}

start_program "$blargo"
xdotool windowactivate --sync "$window" 2>/dev/null || true

# 1. Each control's name and role as the focus reaches it: the window by its
# title, the slider by its label with its value, each button by its caption.
focused "bLaRgO v1.01" frame
focused "Volume:" "scroll bar 0"
for name in "SET 50%" "SET100%" "MUTE" "SET 25%" "SET 75%" "PLAY BABY!!!"; do
  press Tab "tab"
  focused "$name" button
done
press shift+Tab "left shift"
focused "SET 75%" button

# 2. Each new level as it is set (Space, Return, a click, the same level
# again, the slider's own keys), and no other level with it.
level_like() { echo "(notification )?$(literal "$1")"; }
level_said() { said_like "$(level_like "$1")" "the level \"$1\""; }
report=()
press space "space"
level_said "75%"
only_level "75%" "Space on SET 75%"
report+=("Space on SET 75%: \"75%\" $(ms_since "$pressed_at" "$(level_like 75%)") ms after the key")
press shift+Tab "left shift"
focused "SET 25%" button
press Return "return"
level_said "25%"
only_level "25%" "Return on SET 25%"
report+=("Return on SET 25%: \"25%\" $(ms_since "$pressed_at" "$(level_like 25%)") ms after the key")
set_mark
pressed_at=$(now)
click_on "SET100%"
level_said "100%"
only_level "100%" "a click on SET100%"
report+=("a click on SET100%: \"100%\" $(ms_since "$pressed_at" "$(level_like 100%)") ms after the click")
press Return "return"
level_said "100%"
only_level "100%" "Return on SET100% at 100%"
report+=("Return on SET100% at 100%: \"100%\" again $(ms_since "$pressed_at" "$(level_like 100%)") ms after the key")
press shift+Tab "left shift"
press shift+Tab "left shift"
focused "Volume:" "scroll bar 100"
# Orca echoes no arrow key; it says the slider's new value, then the level.
set_mark
pressed_at=$(now)
xdotool key Left
said_like "99( .*)?" "the slider's value 99"
level_said "99%"
only_level "99%" "Left on the slider"
report+=("Left on the slider: \"99%\" $(ms_since "$pressed_at" "$(level_like 99%)") ms after the key")

# 3. Party mode: a few utterances a second at most, then the level the label
# shows once STOP DEVIL!!! is pressed, and none the label has left behind,
# also once speech has settled. Party mode shows by the window's background
# leaving black.
party_on() {
  local colour
  colour=$(pixel 20 20)
  [ -n "$colour" ] && [ "$colour" != 000000 ]
}
party_then_stop() {  # party_then_stop KEY ECHO, with the focus on PLAY BABY!!!
  press space "space"
  local start=$pressed_epoch
  # A key press lost by a busy X server is pressed again.
  for _ in 1 2; do
    wait_for party_on && break
    press space "space"
  done
  wait_for party_on || fail "Space on PLAY BABY!!! started no party"
  focused "STOP DEVIL!!!" button
  party_levels() { [ "$(since_mark | levels | wc -l)" -ge 3 ]; }
  WAIT_SECONDS=30 wait_for party_levels || fail "party mode: no level spoken 3 times in 30 s; it said: $(transcript)"
  # STOP just after a level is spoken, two seconds before the next is due: a
  # level told as the key goes down is true, but may be superseded by the
  # ramp before the program sees the key.
  local heard_levels
  heard_levels=$(since_mark | levels | wc -l)
  one_more() { [ "$(since_mark | levels | wc -l)" -gt "$heard_levels" ]; }
  WAIT_SECONDS=30 wait_for one_more || fail "party mode: no level spoken for 30 s; it said: $(transcript)"
  heard_levels=$(since_mark | levels | wc -l)
  local utterances spent
  utterances=$(since_mark | wc -l)
  spent=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  # One level in two seconds is the pace; three utterances a second (with
  # the keys' echoes, the focus and a role word) would bury the listener.
  awk -v n="$utterances" -v s="$spent" 'BEGIN { exit !(n <= 3 * s) }' ||
    fail "party mode: $utterances utterances in $spent s: $(transcript)"
  local stop_epoch
  stop_epoch=$(date +%s.%N)
  press "$1" "$2"
  local stopped_at=$pressed_at
  focused "PLAY BABY!!!" button
  # The volume the ramp left, as the label shows it.
  local a b
  for _ in $(seq 50); do a=$(sink); sleep 0.1; b=$(sink); [ "$a" = "$b" ] && break; done
  local level=$(((b * 100 + 32768) / 65536))  # its percent of the sink's 65536
  level_said "$level%"
  only_level "$level%" "after STOP ($2)"
  # Nothing the ramp left behind comes later: three seconds on (the pace
  # would have told another by then), still no other. A span to listen
  # through, not a wait for something to happen.
  sleep 3
  only_level "$level%" "3 s after STOP ($2)"
  local settle
  settle=$(awk -v a="$stopped_at" -v b="$(since_mark | tail -n 1 | cut -d' ' -f1)" \
    'BEGIN { split(b, t, ":"); printf "%d", (t[1] * 3600 + t[2] * 60 + t[3] - a) * 1000 }')
  # What the voice spoke from the first utterance Orca sent after the key,
  # which stopped whatever it was saying: the level shown, and no other. That
  # is the key's echo, but speech-dispatcher drops an echo that the next
  # utterance (the focus on PLAY BABY!!!) overtakes before the voice began
  # it, so the focus, or the level itself, starts it just as well.
  local echo_word=$2
  # Each voiced utterance from there on, as "EPOCH TEXT".
  voice_after_key() {
    awk -v t="$stop_epoch" -v e="$echo_word" -v f="PLAY BABY!!! " -v l="$level%" '$1 < t { next }
      { s = $0; sub(/^[^ ]* /, "", s); sub(/ +$/, "", s); sub(/^notification /, "", s) }
      !after && (s == e || index(s, f) == 1 || s == l) { after = 1; if (s != l) next }
      after { print $1, s }' "$work/voice.log"
  }
  voice_since() { voice_after_key | cut -d' ' -f2-; }
  voice_said() { voice_since | grep -qxF "$level%"; }
  wait_for voice_said || fail "after STOP ($2) the voice never said $level%; it said: $(voice_since | paste -sd'|')"
  local stale
  stale=$(voice_since | grep -xE '[0-9]+%' | grep -vxF "$level%" || true)
  [ -z "$stale" ] || fail "after STOP ($2) the voice spoke a level the label no longer shows: $stale"
  local voiced
  voiced=$(voice_after_key | awk -v t="$stop_epoch" -v l="$level%" '
    { s = $0; sub(/^[^ ]* /, "", s) } s == l { printf "%d", ($1 - t) * 1000; exit }')
  report+=("party: $utterances utterances ($heard_levels levels) in $spent s; after STOP by $2: \"$level%\" sent $(ms_since "$stopped_at" "$(level_like "$level%")") ms after the key, the last utterance $settle ms after it, voiced $voiced ms after it")
}
set_mark
xdotool key --delay 100 Tab Tab Tab Tab Tab Tab
focused "PLAY BABY!!!" button
party_then_stop space "space"
# STOP DEVIL!!! gave the focus back to PLAY BABY!!!.
party_then_stop Escape "escape"

kill -0 "$app_pid" || fail "the program died"
printf '%s\n' "${report[@]}"
echo "1 passed, 0 failed"
