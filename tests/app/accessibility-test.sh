#!/usr/bin/env bash
# The skin window through the desktop's accessibility bus (AT-SPI), as a
# screen reader and a keyboard user meet it: the real program under Xvfb
# with a window manager, a private session bus and the accessibility bus.
# Usage: accessibility-test.sh <velmaris binary> [screenshot.png]
# Exits 77 (skipped) only when a tool it needs is not installed.
set -u
bin=${1:?velmaris binary}
shot=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # the system's, which has the AT-SPI bindings

missing=()
for tool in Xvfb xdotool dbus-run-session openbox import sox lame; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
"$python" -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: not installed: ${missing[*]} (scripts/install-deps.sh installs them)"
  exit 77
fi

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The program keeps its settings beside itself: a copy in the test folder.
mkdir -p "$work/prog" "$work/run" "$work/state" "$work/config"
chmod 700 "$work/run"
cp "$bin" "$work/prog/velmaris"
# The caption shows the song's name.
printf '[Format]\r\nDispNormal=$filename\r\n' > "$work/prog/VelmarisOpts.ini"
for song in "Alpha Tone:440" "Beta Tone:660"; do
  name=${song%%:*}
  sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 40 sine "${song##*:}" gain -12
  lame --quiet -b 32 "$work/tone.wav" "$work/prog/$name.mp3"
done
printf '%s\n' "$work/prog/Alpha Tone.mp3" "$work/prog/Beta Tone.mp3" > "$work/prog/songs.m3u"

# A display of our own; Xvfb writes its number once it accepts clients.
# Other tests may start X servers at the same moment: one that loses the
# race for a display number is started again.
start_display() {
  : > "$work/displayfd"
  exec 3<> "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  display=""
  for _ in $(seq 200); do
    display=$(head -n1 "$work/displayfd" 2>/dev/null)
    if [ -n "$display" ] && DISPLAY=:$display xdotool getdisplaygeometry >/dev/null 2>&1 &&
      kill -0 "$xvfb" 2>/dev/null; then return 0; fi
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; xvfb=""
  return 1
}
started=""
for _ in 1 2 3; do start_display && { started=1; break; }; done
if [ -z "$started" ]; then echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; fi

export DISPLAY=:$display XDG_RUNTIME_DIR=$work/run XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
unset WAYLAND_DISPLAY
# A private session bus; the accessibility bus is started from it on demand.
dbus-run-session -- "$python" "$here/accessibility_test.py" "$work/prog" "$shot"
