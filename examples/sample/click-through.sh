#!/bin/sh
# Clicks through the windowed sample as a person would, with xdotool, under a display with a
# window manager (scripts/with-display): Hello and its message box, Escape and the question it
# asks (answered No), then Return, which presses OK and ends the program. The sample's status
# is this script's.
#   click-through.sh SAMPLE_EXE
# With QV_EMULATOR set, the sample runs through that emulator.
set -u
sample=$1
${QV_EMULATOR:+"$QV_EMULATOR"} "$sample" &
pid=$!
fail() { echo "click-through: $1" >&2; kill "$pid" 2>/dev/null; exit 1; }
# Waits up to 10 s, times the run's slow-run factor, for the message box to go away.
box_gone() {
  for _ in $(seq $((100 * ${QV_TIME_FACTOR:-1}))); do
    xdotool search --onlyvisible --name '^Sample message$' >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the message box stayed"
}

window=$(xdotool search --sync --onlyvisible --name '^qvruntime sample$' | head -n 1)
[ -n "$window" ] || fail "no sample window"
xdotool windowactivate --sync "$window" || fail "cannot activate the window"
# Hello lies at (90, 20) to (210, 52) in the window.
xdotool mousemove --window "$window" 150 36 click 1

box=$(xdotool search --sync --onlyvisible --name '^Sample message$' | head -n 1)
[ -n "$box" ] || fail "no message box after Hello"
xdotool windowactivate --sync "$box" key Return
box_gone

xdotool windowactivate --sync "$window" key Escape
box=$(xdotool search --sync --onlyvisible --name '^Sample message$' | head -n 1)
[ -n "$box" ] || fail "no question after Escape"
xdotool windowactivate --sync "$box" key Return
box_gone

xdotool windowactivate --sync "$window" key Return
wait "$pid"
