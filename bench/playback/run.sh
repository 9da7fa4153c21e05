#!/usr/bin/env bash
# Playback measurements. Makes its own songs with sox and lame (nothing is
# downloaded), then runs bench_playback on them.
#
#   bench/playback/run.sh <build folder> [program]
#
# <build folder>: a build configured with -DVELMARIS_BENCH=ON and the target
# bench_playback built. [program]: the velmaris executable; when given, the
# time from its launch (with a song on the command line) to the first sound
# is measured as well.
#
# The comparison with other players (Audacious, mpg123) under a private
# PulseAudio server is compare.py beside this script.
set -euo pipefail
build=${1:?build folder}
program=${2:-}
bench=$build/bench/bench_playback
[ -x "$bench" ] || bench=$(find "$build" -name bench_playback -type f -perm -u+x | head -1)
[ -x "$bench" ] || { echo "bench_playback not built in $build" >&2; exit 2; }
bench=$(realpath "$bench")
[ -z "$program" ] || program=$(realpath "$program")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "== making songs in $work"
sox -q -n -r 44100 -c 2 -b 16 long.wav synth 180 sine 300 sine 450 gain -6
lame --quiet -b 128 --cbr long.wav song180_128k.mp3
lame --quiet -b 128 --cbr -t long.wav song180_noinfo.mp3
lame --quiet -V 2 -t long.wav song180_vbr_noinfo.mp3
cat song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 \
  song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 song180_noinfo.mp3 > song30min_noinfo.mp3
rm -f long.wav
for f in 300 500; do
  sox -q -n -r 44100 -c 2 -b 16 sq$f.wav synth 3 square $f gain -3
  lame --quiet -b 192 --cbr sq$f.wav square$f.mp3
  rm -f sq$f.wav
done

echo "== CPU and memory: 3-minute 128 kbit/s song, 30 s (SDL dummy output, real time)"
SDL_AUDIODRIVER=dummy "$bench" cpu song180_128k.mp3 30

echo "== silence between two songs (SDL disk output at real-time pace)"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/gap.raw "$bench" gap square300.mp3 square500.mp3 3 2>/dev/null

echo "== position against what was played out (SDL disk output at real-time pace)"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/pos.raw "$bench" position song180_128k.mp3 10 2>/dev/null

echo "== open times (page cache warm)"
SDL_AUDIODRIVER=dummy "$bench" open song180_128k.mp3 song180_noinfo.mp3 song180_vbr_noinfo.mp3 song30min_noinfo.mp3

if [ -n "$program" ]; then
  echo "== launch to first sound: $program"
  python3 - "$program" "$work/song180_128k.mp3" "$work/launch.raw" <<'PY'
import os, subprocess, sys, time, array
program, song, raw = sys.argv[1:4]
env = dict(os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=raw)
env.setdefault("QT_QPA_PLATFORM", "offscreen")
if os.path.exists(raw):
    os.remove(raw)
start = time.monotonic()
proc = subprocess.Popen([program, song], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
found = None
offset = 0
try:
    while time.monotonic() - start < 20 and found is None:
        if os.path.exists(raw):
            with open(raw, "rb") as f:
                f.seek(offset)
                data = f.read()
            usable = len(data) // 4 * 4
            samples = array.array("h", data[:usable])
            for i, s in enumerate(samples):
                if abs(s) > 64:
                    found = time.monotonic()
                    break
            offset += usable
        time.sleep(0.002)
finally:
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
if found is None:
    print("  no sound within 20 s")
else:
    print("  first sound %.0f ms after launch (written by SDL; a card adds its own latency)" % ((found - start) * 1000))
PY
fi
