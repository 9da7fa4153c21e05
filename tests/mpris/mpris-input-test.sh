#!/usr/bin/env bash
# What the media controls accept from other programs on the bus: values of
# the wrong type, numbers at the ends of their range and URIs of files that
# are not songs. The real program (offscreen, SDL's dummy output) on a
# private session bus, driven with gdbus.
# Usage: dbus-run-session -- mpris-input-test.sh <velmaris binary>
set -u
bin=${1:?velmaris binary}
source "$(dirname "$0")/../support/program-test.sh"

# Two songs of our own, long enough to outlast the test: one tagged, one not.
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 120 sine 440 gain -12
dir=$work/app
mkdir -p "$dir"
lame --quiet -b 32 --tt "Tagged Title" "$work/tone.wav" "$dir/tagged.mp3"
lame --quiet -b 32 "$work/tone.wav" "$dir/plain.mp3"
cp "$bin" "$dir/velmaris"
printf '[Options]\r\n' > "$dir/VelmarisOpts.ini"
printf 'tagged.mp3\r\nplain.mp3\r\n' > "$dir/two.m3u"
# A name that is not UTF-8 (Latin-1 "é"), and song names for what is no song.
cp "$dir/tagged.mp3" "$dir/caf"$'\xe9'".mp3"
mkfifo "$dir/fifo"
ln -s "$dir/fifo" "$dir/fifo-link.mp3"
mkdir "$dir/folder.mp3"
ln -s /proc/self/mem "$dir/mem.mp3"  # only ever read
: > "$dir/empty.mp3"

"$dir/velmaris" "$dir/two.m3u" >"$dir/out.log" 2>&1 &
pid=$!
pids+=("$pid")
name=org.mpris.MediaPlayer2.velmaris.instance$pid
player=org.mpris.MediaPlayer2.Player
call() { gdbus call --session -d "$name" -o /org/mpris/MediaPlayer2 "$@"; }
get() { call -m org.freedesktop.DBus.Properties.Get "$player" "$1" 2>/dev/null; }
title() { call -m org.freedesktop.DBus.Properties.Get "$player" Metadata 2>/dev/null |
  grep -o "'xesam:title': <'[^']*'>" | sed "s/.*<'\(.*\)'>/\1/"; }
# Seconds into the song, whole.
position() { get Position | sed 's/^(<int64 \([0-9-]*\)>,)$/\1/' | awk '{ printf "%d", $1 / 1000000 }'; }
# The error name a call answered with, or "ok".
answer() {
  local err
  if err=$(call "$@" 2>&1 >/dev/null); then echo ok; else echo "$err" | grep -o 'org\.freedesktop\.DBus\.Error\.[A-Za-z]*' | head -1; fi
}
check "playing" "(<'Playing'>,)" "$(wait_for "(<'Playing'>,)" get PlaybackStatus)"
check "first song" "Tagged Title" "$(wait_for "Tagged Title" title)"

# Property sets: the value as sent must have the property's own type (and
# a known value); a refused set changes nothing.
invalid=org.freedesktop.DBus.Error.InvalidArgs
while IFS='|' read -r property value want after; do
  got=$(answer -m org.freedesktop.DBus.Properties.Set "$player" "$property" "$value")
  check "set $property to $value" "$want" "$got"
  check "$property after $value" "$after" "$(get "$property")"
done <<TABLE
Shuffle|<'yes'>|$invalid|(<false>,)
Shuffle|<7>|$invalid|(<false>,)
Shuffle|<byte 1>|$invalid|(<false>,)
Shuffle|<true>|ok|(<true>,)
Shuffle|<false>|ok|(<false>,)
Volume|<int32 1>|$invalid|(<1.0>,)
Volume|<'0.25'>|$invalid|(<1.0>,)
Volume|<0.25>|ok|(<0.25>,)
Volume|<1e300>|ok|(<1.0>,)
Volume|<-5.0>|ok|(<0.0>,)
LoopStatus|<5>|$invalid|(<'Playlist'>,)
LoopStatus|<'Sometimes'>|$invalid|(<'Playlist'>,)
LoopStatus|<'Track'>|ok|(<'Track'>,)
LoopStatus|<'None'>|ok|(<'Playlist'>,)
Rate|<'fast'>|$invalid|(<1.0>,)
Rate|<1.0>|ok|(<1.0>,)
TABLE

# A flood of volume values sent without waiting, and a read right behind
# them: it sees the last one (the values in between may be skipped, never
# reordered).
last_of_flood() {
  /usr/bin/python3 - "$name" <<'PY'
import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
def properties(method, args):
    return (sys.argv[1], "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties", method, args)
for i in range(3000):
    level = 0.375 if i == 2999 else (i % 100) / 100.0
    bus.call(*properties("Set", GLib.Variant("(ssv)", ("org.mpris.MediaPlayer2.Player", "Volume", GLib.Variant("d", level)))),
             None, Gio.DBusCallFlags.NONE, 60000, None, None)
got = bus.call_sync(*properties("Get", GLib.Variant("(ss)", ("org.mpris.MediaPlayer2.Player", "Volume"))),
                    None, Gio.DBusCallFlags.NONE, 60000, None)
print(got.unpack()[0])
PY
}
check "the last of 3,000 volume values" 0.375 "$(last_of_flood)"

# Seeks at the ends of the range, paused so the position stands still: past
# the end is the next song, before the start is the start; a position
# outside the song or of another track is ignored.
track_id() { call -m org.freedesktop.DBus.Properties.Get $player Metadata |
  grep -o "'mpris:trackid': <objectpath '[^']*'>" | sed "s/.*'\(\/[^']*\)'>/\1/"; }
call -m $player.Pause >/dev/null
check "paused" "(<'Paused'>,)" "$(wait_for "(<'Paused'>,)" get PlaybackStatus)"
id=$(track_id)
call -m $player.SetPosition -- "$id" 30000000 >/dev/null
check "SetPosition 30 s" 30 "$(wait_for 30 position)"
while IFS='|' read -r method args want; do
  call -m "$player.$method" -- ${args//@id/$id} >/dev/null
  check "$method $args" "$want" "$(wait_for "$want" position)"
done <<TABLE
Seek|-9223372036854775808|0
Seek|20000000|20
SetPosition|/org/velmaris/none 5000000|20
SetPosition|@id 9223372036854775807|20
SetPosition|@id -1|20
Seek|9223372036854775807|0
TABLE
check "Seek to the end plays the next song" plain.mp3 "$(wait_for plain.mp3 title)"
check "and plays it" "(<'Playing'>,)" "$(wait_for "(<'Playing'>,)" get PlaybackStatus)"

# OpenUri: a name of bytes that are not UTF-8 opens that very file; what is
# not a regular file, not there or not local is refused with the reason,
# and the song playing goes on.
while read -r uri want; do
  check "OpenUri $uri" "$want" "$(answer -m $player.OpenUri "$uri")"
  check "still playing after $uri" "(<'Playing'>,)" "$(get PlaybackStatus)"
  check "same song after $uri" plain.mp3 "$(title)"
done <<TABLE
file://$dir/fifo-link.mp3 $invalid
file://$dir/folder.mp3 $invalid
file://$dir/mem.mp3 $invalid
file://$dir/empty.mp3 $invalid
file://$dir/missing.mp3 $invalid
http://example.invalid/a.mp3 $invalid
file://$dir/a%00b.mp3 $invalid
TABLE
err=$(call -m $player.OpenUri "file://$dir/fifo-link.mp3" 2>&1)
check "the reason is given" 1 "$(echo "$err" | grep -c 'fifo-link.mp3 is not a regular file')"
err=$(call -m $player.OpenUri "file://$dir/mem.mp3" 2>&1)
check "a kernel file is no regular file" 1 "$(echo "$err" | grep -c 'mem.mp3 is not a regular file')"
check "OpenUri of a Latin-1 name" ok "$(answer -m $player.OpenUri "file://$dir/caf%E9.mp3")"
check "it plays that file" "Tagged Title" "$(wait_for "Tagged Title" title)"
check "its URL keeps the name's bytes" 1 "$(get Metadata | grep -c "'xesam:url': <'file://${dir// /%20}/caf%E9.mp3'>")"
# A long job on the window's thread (a list of 900,000 lines opened over
# the bus) does not hold up a read: it is answered meanwhile with the state
# from before the job, and the job's result (paused: the list's first song
# plays) follows.
yes "$dir/plain.mp3" | head -n 900000 > "$dir/long.m3u"
call -m $player.Pause >/dev/null
check "paused before the long open" "(<'Paused'>,)" "$(wait_for "(<'Paused'>,)" get PlaybackStatus)"
title_during_long_open() {
  /usr/bin/python3 - "$name" "file://$dir/long.m3u" <<'PY'
import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.call(sys.argv[1], "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player", "OpenUri",
         GLib.Variant("(s)", (sys.argv[2],)), None, Gio.DBusCallFlags.NONE, 60000, None, None)
got = bus.call_sync(sys.argv[1], "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties", "Get",
                    GLib.Variant("(ss)", ("org.mpris.MediaPlayer2.Player", "Metadata")),
                    None, Gio.DBusCallFlags.NONE, 60000, None)
print(got.unpack()[0].get("xesam:title", ""))
PY
}
check "a read during a long open" "Tagged Title" "$(title_during_long_open)"
for _ in 1 2 3; do [ "$(wait_for plain.mp3 title)" == plain.mp3 ] && break; done  # up to 15 s
check "the long list's song follows" plain.mp3 "$(title)"
check "the program is still there" running "$(kill -0 "$pid" 2>/dev/null && echo running || echo gone)"

[ -n "${MPRIS_TEST_LOG:-}" ] && cat "$dir/out.log"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
