#!/usr/bin/env bash
# The session ends the player with SIGTERM, SIGINT or SIGHUP: the real
# program (offscreen, SDL's dummy output) closes the normal way, exits 0 and
# has saved its settings and the last playlist.
# Usage: quit-signals-test.sh <velmaris binary>
set -u
bin=${1:?velmaris binary}
source "$(dirname "$0")/../support/program-test.sh"
# No session bus: the media controls stay off and cannot keep the program up.
unset DBUS_SESSION_BUS_ADDRESS
failed=0
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 60 sine 440 gain -12
lame --quiet -b 32 "$work/tone.wav" "$work/tone.mp3"

start() {  # start <folder> <env options...>: the pid in $pid
  local dir=$1; shift
  mkdir -p "$dir"
  cp "$bin" "$dir/velmaris"
  cp "$work/tone.mp3" "$dir/"
  printf '[Options]\r\n' > "$dir/VelmarisOpts.ini"
  env "$@" "$dir/velmaris" "$dir/tone.mp3" >"$dir/out.log" 2>&1 &
  pid=$!
  # Up once the song is open: give it a moment, the machine may be busy.
  sleep 2
}

# A shell starts background jobs with SIGINT ignored: start with the
# signals' default handling, as a desktop or a terminal does.
for sig in TERM INT HUP; do
  dir=$work/$sig
  start "$dir" --default-signal=INT,HUP
  if ! kill -0 "$pid" 2>/dev/null; then
    fail "$sig: the program ended before the signal"; cat "$dir/out.log"; pid=""; continue
  fi
  kill -s "$sig" "$pid"
  status=""
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; break; fi
    sleep 0.1
  done
  if [ -z "$status" ]; then fail "$sig: still running 10 s after the signal"; kill -9 "$pid"; wait "$pid" 2>/dev/null; pid=""; continue; fi
  pid=""
  [ "$status" == 0 ] || fail "$sig: exit status $status"
  grep -q "^LastSoundFile=$dir/tone.mp3"$'\r'"\?$" "$dir/VelmarisOpts.ini" ||
    fail "$sig: VelmarisOpts.ini does not name the song: $(cat -A "$dir/VelmarisOpts.ini" | grep -i lastsound)"
  [ -f "$dir/lastplaylist.vpls" ] || fail "$sig: lastplaylist.vpls was not written"
  grep -q "tone.mp3" "$dir/lastplaylist.vpls" 2>/dev/null || fail "$sig: lastplaylist.vpls does not hold the song"
done
# Under nohup a hang-up is ignored: the player plays on.
start "$work/nohup" --ignore-signal=HUP
kill -s HUP "$pid"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "nohup: a hang-up ended the program"
kill -s TERM "$pid"
wait "$pid"
[ $? == 0 ] || fail "nohup: SIGTERM did not close the program cleanly"
pid=""

[ "$failed" == 0 ] && echo "quit signals: all passed"
exit "$failed"
