#!/usr/bin/env bash
# Makes three short demo tunes of our own (sox synthesis, lame encoding, ID3
# tags) and a playlist of them. Nothing is downloaded.
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
cd "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# note <name> <freq> <seconds>: a soft plucked tone with a quick decay.
note() { sox -q -n -r 44100 -c 2 -b 16 "$tmp/$1.wav" synth "$3" pluck "$2" fade q 0.005 "$3" 0.25 gain -9; }
# tune <file> <title> <track> <tempo seconds> <notes...>
tune() {
  local file=$1 title=$2 track=$3 len=$4; shift 4
  local parts=() i=0
  for f in "$@"; do
    note "n$i" "$f" "$len"
    parts+=("$tmp/n$i.wav")
    i=$((i + 1))
  done
  sox -q "${parts[@]}" "$tmp/melody.wav"
  # A quiet drone a fifth below under the melody.
  local d
  d=$(soxi -D "$tmp/melody.wav")
  sox -q -n -r 44100 -c 2 -b 16 "$tmp/drone.wav" synth "$d" sine "$(echo "$1" | wc -c | awk '{print 110 + $1 % 3 * 20}')" \
    tremolo 0.3 40 fade t 1 "$d" 2 gain -24
  sox -q -m "$tmp/melody.wav" "$tmp/drone.wav" "$tmp/mix.wav" reverb 40 norm -3
  lame --quiet -b 160 --cbr --add-id3v2 --tt "$title" --ta "Velmaris" --tl "Demo Songs" --ty 2026 \
    --tn "$track" --tg "Ambient" "$tmp/mix.wav" "$file"
}
tune "Morning Lake.mp3" "Morning Lake" 1 0.45 392 440 494 587 494 440 392 330 392 440 392 294 330 392 440 392
tune "Paper Boats.mp3" "Paper Boats" 2 0.3 523 659 784 659 523 587 698 587 523 659 784 880 784 659 587 523 440 523 587 523
tune "Evening Lanterns.mp3" "Evening Lanterns" 3 0.6 330 392 440 392 349 330 294 330 262 294 330 262
# Names relative to the list's own folder (an .m3u resolves them there), so
# the folder can move: the build's copy, the installed one, a copy anywhere.
rm -f "Demo Songs.vpls"
printf '%s\r\n' "Morning Lake.mp3" "Paper Boats.mp3" "Evening Lanterns.mp3" > "Demo Songs.m3u"
touch stamp
