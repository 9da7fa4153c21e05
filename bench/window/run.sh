#!/usr/bin/env bash
# The hostile cases of a slow disk, a flooding D-Bus client and hostile tag
# files, each run on the real program (offscreen, SDL's dummy output) on a
# private session bus. For each case: the slowest answer of the window to a
# D-Bus Get while it happens; for the long add also how long a Quit takes to
# end the program and what the last playlist holds afterwards.
# Usage: bench/window/run.sh <velmaris binary> <window_probe binary> [--quick]
set -u
bin=${1:?velmaris binary}
probe=${2:?window_probe binary}
quick=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ -n "${VELMARIS_BENCH_BUS:-}" ] || {
  export VELMARIS_BENCH_BUS=1
  exec dbus-run-session -- "$0" "$@"
}
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work/run
export HOME=$work/home XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$work/run" "$work/files" && chmod 700 "$work/run"

big_mb=100 zero_lines=300 tag_lines=100000
[ "$quick" == --quick ] && big_mb=10 zero_lines=30 tag_lines=10000

sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 120 sine 440 gain -12
lame --quiet -b 32 "$work/tone.wav" "$work/files/plain.mp3"
lame --quiet -b 32 --tt "Title" --ta "Artist" --tl "Album" "$work/tone.wav" "$work/files/tagged.mp3"
python3 "$here/hostile_tags.py" "$work/files" "$big_mb"

ms_now() { date +%s%3N; }
# start <folder> <settings lines> <args...>: the pid in $pid, once it is on the bus.
start() {
  local dir=$1 settings=$2; shift 2
  mkdir -p "$dir"
  cp "$bin" "$dir/velmaris"
  printf '[Options]\r\n%s' "$settings" > "$dir/VelmarisOpts.ini"
  "$dir/velmaris" "$@" >"$dir/out.log" 2>&1 &
  pid=$!
}
# stop: Quit over the bus; prints the milliseconds until the program ended.
stop() {
  local t0 t1 name
  t0=$(ms_now)
  name=$(busctl --user list 2>/dev/null | awk '$1 ~ /^org\.mpris\.MediaPlayer2\.velmaris/ {print $1; exit}')
  [ -n "$name" ] && busctl --user call "$name" /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit --expect-reply=no >/dev/null 2>&1
  for _ in $(seq 1200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  t1=$(ms_now)
  if kill -0 "$pid" 2>/dev/null; then echo "still running after 60 s"; kill -9 "$pid"; else echo "$((t1 - t0))"; fi
  wait "$pid" 2>/dev/null
  pid=""
}
report() { printf '%-44s %s\n' "$1" "$2"; }

# 1. A song whose ID3v2.3 tag is ${big_mb} MB of zero-size frames plays.
start "$work/c1" "" "$work/files/zeroframes-big.mp3"
report "zero-frame tag (${big_mb} MB), playing" "$("$probe" --watch 15)"
report "  Quit took ms" "$(stop)"

# 2. Volume set 10,000 times without waiting for the replies.
start "$work/c2" "" "$work/files/tagged.mp3"
"$probe" --watch 1 >/dev/null
report "10,000 Volume sets" "$("$probe" --volume 10000 --watch 10)"
report "  Quit took ms" "$(stop)"

# 3. OpenUri of an .m3u whose only song is missing, 3,000 times.
printf '%s\r\n' "$work/files/missing.mp3" > "$work/files/missing.m3u"
start "$work/c3" "" "$work/files/tagged.mp3"
"$probe" --watch 1 >/dev/null
report "3,000 OpenUri of a list of a missing song" "$("$probe" --open-uri 3000 "file://$work/files/missing.m3u" --watch 10)"
if kill -0 "$pid" 2>/dev/null; then report "  Quit took ms" "$(stop)"; else wait "$pid"; report "  program ended by itself, status" "$?"; pid=""; fi

# 4. A tag display mode (all versions) over a long list of hostile tag
#    files; then Quit while it loads: the three old lines must stay saved.
python3 - "$work/files" "$tag_lines" "$zero_lines" > "$work/files/hostile.m3u" <<'PY'
import os, sys
folder, total, zero = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
names = sorted(n for n in os.listdir(folder) if n.startswith('h-'))
lines = [os.path.join(folder, 'zeroframes-10.mp3')] * zero
lines += [os.path.join(folder, names[i % len(names)]) for i in range(total - zero)]
sys.stdout.write(''.join(l + '\r\n' for l in lines))
PY
mkdir -p "$work/c4"
printf '%s\r\n' "$work/files/plain.mp3" "$work/files/tagged.mp3" "$work/files/plain.mp3" > "$work/c4/lastplaylist.vpls"
start "$work/c4" $'[LastFiles]\r\nLastListFile='"$work/c4/lastplaylist.vpls"$'\r\n[Other]\r\nPlayListMode=2\r\n[Tags]\r\nReadAllVersions=1\r\n'
"$probe" --watch 1 >/dev/null
report "tag mode over $tag_lines hostile lines" "$("$probe" --open-uri 1 "file://$work/files/hostile.m3u" --watch 8)"
report "  Quit during the add took ms" "$(stop)"
report "  lastplaylist.vpls lines after (3 before)" "$(grep -c . "$work/c4/lastplaylist.vpls" 2>/dev/null || echo missing)"

# 5. A plain list of 900,000 lines opened over the bus: the window is busy
#    reading it; the bus's reads go on meanwhile.
yes "$work/files/plain.mp3" | head -n 900000 > "$work/files/long.m3u"
start "$work/c5" "" "$work/files/tagged.mp3"
"$probe" --watch 1 >/dev/null
report "a list of 900,000 lines opened over the bus" "$("$probe" --open-uri 1 "file://$work/files/long.m3u" --watch 5)"
report "  Quit took ms" "$(stop)"
