#!/usr/bin/env bash
# The flood of 10,000 Volume sets sent without waiting, side by side: how
# long the flooding client waits for its next Get (the bus's own floor shows
# in the peers' numbers), and how long the window takes to answer through
# the accessibility bus meanwhile (as it would a click). Under Xvfb with a
# window manager, on a private session bus. --peers adds Audacious and the
# bus's floor (bus_floor, a player that does nothing).
# Usage: bench/window/flood.sh <window_probe> <velmaris binary>... [--peers <bus_floor>]
set -u
probe=${1:?window_probe binary}; shift
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # the system's, which has the AT-SPI bindings
[ -n "${VELMARIS_FLOOD_BUS:-}" ] || { export VELMARIS_FLOOD_BUS=1; exec dbus-run-session -- "$0" "$probe" "$@"; }
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
mkdir -p "$work/run" "$work/home" && chmod 700 "$work/run"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$work/display")
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 120 sine 440 gain -12
lame --quiet -b 32 --tt Title --ta Artist "$work/tone.wav" "$work/tagged.mp3"

peers="" floor=""
for arg in "$@"; do
  [ "$arg" == --peers ] && { peers=1; continue; }
  [ -n "$peers" ] && [ -z "$floor" ] && { floor=$arg; continue; }
  dir=$work/prog$RANDOM
  mkdir -p "$dir" && cp "$arg" "$dir/velmaris" && printf '[Options]\r\n' > "$dir/VelmarisOpts.ini"
  "$dir/velmaris" "$work/tagged.mp3" >"$dir/out.log" 2>&1 &
  pid=$!
  "$probe" --watch 1 >/dev/null
  coproc answers { "$python" "$here/window_answers.py" "$pid" 8 2>/dev/null; }
  read -r ready <&"${answers[0]}"
  bus=$("$probe" --volume 10000 --watch 4)
  other=$("$probe" --volume 10000 --watch 3 --other)
  read -r window <&"${answers[0]}"
  printf '%s\n  flooder Get: %s\n  other Get:   %s\n  window:      %s\n' "$arg" "$bus" "$other" "$window"
  kill "$pid"; wait "$pid" 2>/dev/null
done
# peer <label> <bus name> <command...>: the two Gets under the flood.
peer() {
  local label=$1 name=$2; shift 2
  "$@" >/dev/null 2>&1 &
  pid=$!
  printf '%s\n  flooder Get: %s\n  other Get:   %s\n' "$label" \
    "$("$probe" --name "$name" --volume 10000 --watch 4)" \
    "$("$probe" --name "$name" --volume 10000 --watch 3 --other)"
  kill "$pid"; wait "$pid" 2>/dev/null
}
if [ -n "$peers" ]; then
  peer audacious org.mpris.MediaPlayer2.audacious audacious -H "$work/tagged.mp3"
  [ -n "$floor" ] && peer "bus floor" org.mpris.MediaPlayer2.busfloor "$floor"
fi
