#!/usr/bin/env bash
# The desktop's media controls, driven as a desktop drives them: the real
# program (offscreen, SDL's dummy or disk output) on a private session bus,
# controlled with playerctl and gdbus.
# Usage: dbus-run-session -- mpris-test.sh <velmaris binary>
set -u
bin=${1:?velmaris binary}
source "$(dirname "$0")/../support/program-test.sh"

# Songs of our own, long enough to outlast the test on a busy machine: one
# tagged, one not.
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 120 sine 440 gain -12
lame --quiet -b 32 --tt "Tagged Title" --ta "Some Artist" --tl "Some Album" --tn 7 --tg Rock \
  "$work/tone.wav" "$work/tagged.mp3"
lame --quiet -b 32 "$work/tone.wav" "$work/plain.mp3"

# A program folder of its own (the settings live beside the program); a
# settings file, so no first-run dialog opens.
instance() {  # instance <name> -> folder
  local dir=$work/$1
  mkdir -p "$dir"
  cp "$bin" "$dir/velmaris"
  cp "$work/tagged.mp3" "$work/plain.mp3" "$dir/"
  printf '[Options]\r\n' > "$dir/VelmarisOpts.ini"
  echo "$dir"
}
start() {  # start <folder> <args...>: the pid in $started
  local dir=$1; shift
  "$dir/velmaris" "$@" >"$dir/out.log" 2>&1 &
  started=$!
  pids+=("$started")
}

a=$(instance a)
start "$a" "$a/tagged.mp3"
pa=$started
name_a=org.mpris.MediaPlayer2.velmaris.instance$pa
pc() { playerctl -p "velmaris.instance$pa" "$@"; }
check "bus name" "velmaris.instance$pa" "$(wait_for "velmaris.instance$pa" playerctl -l)"
check "status after start" Playing "$(wait_for Playing pc status)"

# Metadata of a tagged song.
# The tag is read off the window's thread: the title follows the file name.
check "title" "Tagged Title" "$(wait_for "Tagged Title" pc metadata xesam:title)"
check "artist" "Some Artist" "$(pc metadata xesam:artist)"
check "album" "Some Album" "$(pc metadata xesam:album)"
check "track number" 7 "$(pc metadata xesam:trackNumber)"
check "genre" Rock "$(pc metadata xesam:genre)"
check "url" "file://$a/tagged.mp3" "$(pc metadata xesam:url)"
# The length as the decoder settles it (the state is published at least
# once per tick).
length_about_120s() { local len; len=$(pc metadata mpris:length); echo $(( len > 119900000 && len < 120100000 )); }
check "length about 120 s" 1 "$(wait_for 1 length_about_120s)"
id1=$(pc metadata mpris:trackid)

# Play and pause both ways.
pc play-pause
check "play-pause pauses" Paused "$(wait_for Paused pc status)"
pc play-pause
check "play-pause plays" Playing "$(wait_for Playing pc status)"
pc pause
check "pause" Paused "$(wait_for Paused pc status)"
pc pause
check "pause while paused stays paused" Paused "$(pc status)"
pc play
check "play" Playing "$(wait_for Playing pc status)"
# A jump right after pause and play (no timer tick between): still playing.
pc pause; pc play; pc position 8
check "a jump right after play keeps playing" Playing "$(pc status)"

# Position: absolute, relative, and the Seeked signal.
gdbus monitor --session -d "$name_a" -o /org/mpris/MediaPlayer2 >"$work/monitor.log" 2>&1 &
mon=$!
pids+=("$mon")
sleep 0.3
pc position 10
pos=$(pc position)
check "position 10 s ($pos)" 1 "$(awk -v p="$pos" 'BEGIN { print (p >= 10 && p < 11.5) }')"
pc position 5-
pos=$(pc position)
check "position back 5 s ($pos)" 1 "$(awk -v p="$pos" 'BEGIN { print (p >= 5 && p < 6.5) }')"
gdbus call --session -d "$name_a" -o /org/mpris/MediaPlayer2 \
  -m org.mpris.MediaPlayer2.Player.SetPosition "$id1" 15000000 >/dev/null
pos=$(pc position)
check "SetPosition 15 s ($pos)" 1 "$(awk -v p="$pos" 'BEGIN { print (p >= 15 && p < 16.5) }')"
gdbus call --session -d "$name_a" -o /org/mpris/MediaPlayer2 \
  -m org.mpris.MediaPlayer2.Player.SetPosition /org/velmaris/track/999 1000000 >/dev/null
pos=$(pc position)
check "SetPosition of another track is ignored" 1 "$(awk -v p="$pos" 'BEGIN { print (p >= 15) }')"
sleep 0.3
check "Seeked signalled for each jump" 3 "$(grep -c 'Player.Seeked' "$work/monitor.log")"

# Volume both ways: set through the bus, and a change of the player announced.
pc volume 0.4
check "volume set" 0.400000 "$(pc volume)"
pc volume 0.1-
check "volume down" 0.300000 "$(pc volume)"
sleep 0.3
check "volume change announced" 1 "$(grep -c "'Volume': <0.3" "$work/monitor.log" | awk '{print ($1 > 0)}')"

# Loop and shuffle: one group; None leaves the list's own wrap.
check "loop at start" Playlist "$(pc loop)"
pc loop Track
check "loop track" Track "$(pc loop)"
pc shuffle On
check "shuffle on" On "$(pc shuffle)"
check "shuffle switched repeat off" Playlist "$(pc loop)"
pc loop Track
check "repeat switched shuffle off" Off "$(pc shuffle)"
pc loop None
check "loop None is the list" Playlist "$(pc loop)"
pc shuffle Off

# OpenUri: as if given on the command line; an untagged song shows its file name.
gdbus call --session -d "$name_a" -o /org/mpris/MediaPlayer2 \
  -m org.mpris.MediaPlayer2.Player.OpenUri "file://$a/plain.mp3" >/dev/null
check "OpenUri plays the file" "plain.mp3" "$(wait_for plain.mp3 pc metadata xesam:title)"
check "no artist without a tag" "" "$(pc metadata xesam:artist 2>/dev/null)"
check "new track id" 1 "$([ "$(pc metadata mpris:trackid)" != "$id1" ] && echo 1 || echo 0)"

# Next and previous through the playlist. A song opened by name is added at
# the end, as from the command line: the list is tagged, plain, tagged, and
# no line has been made current yet.
gdbus call --session -d "$name_a" -o /org/mpris/MediaPlayer2 \
  -m org.mpris.MediaPlayer2.Player.OpenUri "file://$a/tagged.mp3" >/dev/null
check "OpenUri again" "Tagged Title" "$(wait_for "Tagged Title" pc metadata xesam:title)"
pc next
check "next from no current line: the first" "file://$a/tagged.mp3" "$(pc metadata xesam:url)"
pc next
check "next" "plain.mp3" "$(wait_for plain.mp3 pc metadata xesam:title)"
pc previous
check "previous" "Tagged Title" "$(wait_for "Tagged Title" pc metadata xesam:title)"
pc previous
check "previous wraps to the last" "Tagged Title" "$(wait_for "Tagged Title" pc metadata xesam:title)"
pc stop
check "stop" Stopped "$(wait_for Stopped pc status)"

# Two instances, two names.
b=$(instance b)
start "$b" "$b/plain.mp3"
pb=$started
check "second instance" "velmaris.instance$pb" "$(wait_for "velmaris.instance$pb" bash -c "playerctl -l | grep -x velmaris.instance$pb")"
check "both listed" 2 "$(playerctl -l | grep -c '^velmaris\.instance')"

# Quit closes through the window's close path: the settings are saved.
pc shuffle On
gdbus call --session -d "$name_a" -o /org/mpris/MediaPlayer2 -m org.mpris.MediaPlayer2.Quit >/dev/null
for _ in $(seq 50); do kill -0 "$pa" 2>/dev/null || break; sleep 0.1; done
check "Quit ends the program" gone "$(kill -0 "$pa" 2>/dev/null && echo running || echo gone)"
check "Quit saved the shuffle" 1 "$(grep -c '^ShuffleIsOn=1' "$a/VelmarisOpts.ini")"
check "Quit saved the song" 1 "$(grep -c "^LastSoundFile=$a/tagged.mp3" "$a/VelmarisOpts.ini")"
check "Quit saved the playlist" 3 "$(grep -c 'mp3' "$a/lastplaylist.vpls")"

# Remote commands that fail open no box: 300 OpenUri of a list whose only song
# is missing, sent without waiting, leave the player answering at once; the
# failure is told in the window's caption (and on stderr).
printf '%s\r\n' "$work/missing.mp3" > "$work/missing.m3u"
playerctl -p "velmaris.instance$pb" stop
for _ in $(seq 300); do
  busctl --user call --expect-reply=no "org.mpris.MediaPlayer2.velmaris.instance$pb" /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player OpenUri s "file://$work/missing.m3u"
done
check "failed OpenUri: still answering" Stopped "$(wait_for Stopped playerctl -p "velmaris.instance$pb" status)"
check "failed OpenUri: told" 1 "$(grep -q 'missing.mp3 does not exist' "$work/b/out.log" && echo 1 || echo 0)"
kill -9 "$pb" 2>/dev/null; wait "$pb" 2>/dev/null

# No session bus: the player starts and plays, silently.
c=$(instance c)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$c/out.raw DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus \
  "$c/velmaris" "$c/plain.mp3" >"$c/out.log" 2>&1 &
pc_=$!
pids+=("$pc_")
sleep 2
check "runs without a bus" running "$(kill -0 "$pc_" 2>/dev/null && echo running || echo gone)"
size=$(stat -c %s "$c/out.raw" 2>/dev/null || echo 0)
check "plays without a bus" 1 "$(( size > 44100 ))"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
