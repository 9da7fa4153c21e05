#!/usr/bin/env bash
# Screenshots of the main window for the documentation: the built-in look and
# every bundled skin, each in normal, mini and playlist mode, playing the demo
# songs. Runs the built program on a private X server (Xvfb) and captures it
# with ImageMagick's import.
#
#   docs/make-screenshots.sh [build folder] [output folder]
#
# Writes <out>/screenshot.png (built-in look, normal mode) and
# <out>/skin-<name>-{normal,mini,playlist}.png. The build folder must hold
# the program, its Skins folder and the demo songs (the default targets).
set -euo pipefail
[ -n "${VELMARIS_SHOT_TRACE:-}" ] && set -x
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
out=$(mkdir -p "${2:-$here}" && cd "${2:-$here}" && pwd)
display=${VELMARIS_SHOT_DISPLAY:-:77}
for tool in Xvfb import convert display; do
  command -v "$tool" >/dev/null || { echo "make-screenshots: $tool is missing" >&2; exit 1; }
done
[ -x "$build/velmaris" ] || { echo "make-screenshots: no program in $build" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
app_pid=
backdrop_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$backdrop_pid" ] && kill "$backdrop_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
# A calm desktop behind the window, so its outline shows: a picture in a
# window of its own at the back (there is no window manager).
convert -size 640x480 gradient:'#7d8a99'-'#4a5563' "$work/backdrop.png"
DISPLAY=$display display -geometry +0+0 "$work/backdrop.png" >/dev/null 2>&1 &
backdrop_pid=$!
sleep 1

left=40
top=40
margin=14

# Ends the program without its close steps (nothing of the copy is kept).
stop_app() {
  kill "$app_pid" 2>/dev/null || true
  for _ in $(seq 20); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

# shoot <skin script or ""> <mode number> <output file>
shoot() {
  local skin=$1 mode=$2 file=$3
  local dir="$work/app"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$build/velmaris" "$dir/"
  cp -r "$build/Skins" "$build/demo" "$dir/"
  local list="$dir/demo/Shots.vpls"
  printf '%s\r\n' "$dir/demo/Morning Lake.mp3" "$dir/demo/Paper Boats.mp3" "$dir/demo/Evening Lanterns.mp3" >"$list"
  local skinfile=
  [ -n "$skin" ] && skinfile="$dir/Skins/$skin"
  cat >"$dir/VelmarisOpts.ini" <<EOF
[Position]
Top=$top
Left=$left
Minimized=0
[LastFiles]
LastSkinFile=$skinfile
LastListFile=$list
LastSoundFile=$dir/demo/Morning Lake.mp3
LastSoundPos=4000
[Default]
MusicDir=$dir/demo/
SkinDir=$dir/Skins
[Other]
PlayListIndex=0
Mode=$mode
ShuffleIsOn=0
Transparent=0
PlayListMode=1
MinimizeToTray=0
QuickFind=1
[Format]
DispNormal=\$filename
DispMini=\$filename
DispTask=\$filename - Velmaris
EOF
  DISPLAY=$display QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_STATE_HOME="$work/state" \
    XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$dir/velmaris" >/dev/null 2>&1 &
  app_pid=$!
  sleep 3
  local h=115
  [ "$mode" = 0 ] && h=21
  [ "$mode" = 2 ] && h=232
  import -display "$display" -window root \
    -crop "$((261 + 2 * margin))x$((h + 2 * margin))+$((left - margin))+$((top - margin))" +repage "$file"
  stop_app
}

declare -A modes=([normal]=1 [mini]=0 [playlist]=2)
skins=("")
for s in "$build"/Skins/*.vskin; do skins+=("$(basename "$s")"); done
for skin in "${skins[@]}"; do
  name=builtin
  [ -n "$skin" ] && name=$(basename "$skin" .vskin | tr '[:upper:]' '[:lower:]')
  for m in normal mini playlist; do
    shoot "$skin" "${modes[$m]}" "$out/skin-$name-$m.png"
    echo "wrote $out/skin-$name-$m.png"
  done
done
cp "$out/skin-builtin-normal.png" "$out/screenshot.png"
echo "wrote $out/screenshot.png"
