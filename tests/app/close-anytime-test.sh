#!/usr/bin/env bash
# A close at any moment: the real program (offscreen, SDL's dummy output) on
# a private session bus gets SIGTERM, SIGINT, SIGHUP or the media controls'
# Quit while a start-up box is open, while a long add in a tag display mode
# reads its tags, or while the first-run dialog is open. Each time it must end
# within 2 s with status 0 and leave the saved list as it was before.
# Usage: dbus-run-session -- close-anytime-test.sh <velmaris binary>
set -u
bin=${1:?velmaris binary}
source "$(dirname "$0")/../support/program-test.sh"
failed=0
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 30 sine 440 gain -12
lame --quiet -b 32 "$work/tone.wav" "$work/tone.mp3"
# A tag of 2 MB of zero-size frames: reading it takes a while, so a list of
# many such lines takes seconds to read in a tag display mode.
python3 - "$work/tone.mp3" "$work/slow.mp3" <<'PY'
import sys
audio = open(sys.argv[1], 'rb').read()
body = b'TIT2' + b'\0' * 6
body *= (2 << 20) // len(body)
n = len(body)
size = bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
open(sys.argv[2], 'wb').write(b'ID3\x03\x00\x00' + size + body + audio)
PY
for _ in $(seq 4000); do printf '%s\r\n' "$work/slow.mp3"; done > "$work/slow.m3u"
saved=$(printf '%s\r\n' "$work/tone.mp3" "$work/tone.mp3" "$work/tone.mp3")

bus_name() { busctl --user list 2>/dev/null | awk -v p="velmaris.instance$1" '$1 ~ p {print $1; exit}'; }
# wait_until <seconds> <command...>: polls until the command succeeds.
wait_until() {
  local limit=$1; shift
  local end=$(( $(date +%s%N) + limit * 1000000000 ))
  while [ "$(date +%s%N)" -lt "$end" ]; do "$@" && return 0; sleep 0.05; done
  return 1
}
on_bus() { [ -n "$(bus_name "$pid")" ]; }
answers() { busctl --user get-property "$(bus_name "$pid")" /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player PlaybackStatus >/dev/null 2>&1; }
said() { grep -q "$1" "$dir/out.log"; }
gone() { ! kill -0 "$pid" 2>/dev/null; }

# Each case: name | settings ('-' none, 'folder' a folder) | argument | ready | how to close
cases=(
  "start-up box, SIGTERM|restore|$work/missing.m3u|said Cannot.open|TERM"
  "start-up box, Quit|restore|$work/missing.m3u|said Cannot.open|Quit"
  "unreadable settings box, SIGINT|folder||said Cannot.read|INT"
  "long add from the command line, SIGTERM|tags|$work/slow.m3u|on_bus|TERM"
  "long add over a restored list, Quit|tags-open||answers|Quit"
  "first-run dialog, SIGHUP|-||answers|HUP"
)
n=0
for c in "${cases[@]}"; do
  IFS='|' read -r name settings arg ready how <<<"$c"
  dir=$work/case$((++n))
  mkdir -p "$dir"
  cp "$bin" "$dir/velmaris"
  printf '%s' "$saved" > "$dir/lastplaylist.vpls"
  restore=$'[LastFiles]\r\nLastListFile='"$dir/lastplaylist.vpls"$'\r\n'
  case $settings in
    restore) printf '%s' "$restore" > "$dir/VelmarisOpts.ini" ;;
    tags|tags-open) printf '%s[Other]\r\nPlayListMode=2\r\n' "$restore" > "$dir/VelmarisOpts.ini" ;;
    folder) mkdir "$dir/VelmarisOpts.ini" ;;
  esac
  # With the signals' default handling, as a desktop or a terminal starts it.
  env --default-signal=INT,HUP "$dir/velmaris" $arg >"$dir/out.log" 2>&1 &
  pid=$!
  if ! wait_until 20 $ready; then fail "$name: never got ready"; cat "$dir/out.log"; kill -9 "$pid"; pid=""; continue; fi
  if [ "$settings" == tags-open ]; then
    # The restored list is shown; now a long list opens over it.
    busctl --user call "$(bus_name "$pid")" /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player OpenUri s \
      "file://$work/slow.m3u" || fail "$name: OpenUri did not answer"
  fi
  t0=$(date +%s%N)
  if [ "$how" == Quit ]; then
    busctl --user call "$(bus_name "$pid")" /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit --expect-reply=no >/dev/null 2>&1
  else
    kill -s "$how" "$pid"
  fi
  if ! wait_until 2 gone; then
    fail "$name: still running 2 s after the close"; kill -9 "$pid"; wait "$pid" 2>/dev/null; pid=""; continue
  fi
  wait "$pid"; status=$?; pid=""
  took=$(( ($(date +%s%N) - t0) / 1000000 ))
  [ "$status" == 0 ] || fail "$name: exit status $status"
  [ "$(cat "$dir/lastplaylist.vpls")" == "$saved" ] ||
    fail "$name: lastplaylist.vpls changed to $(grep -c . "$dir/lastplaylist.vpls") lines"
  [ "$settings" != folder ] || [ -d "$dir/VelmarisOpts.ini" ] || fail "$name: the settings folder was replaced"
  echo "ok: $name (closed in $took ms)"
done
[ "$failed" == 0 ] || exit 1
