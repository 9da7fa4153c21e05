#!/usr/bin/env bash
# Installs what is missing, builds Velmaris into build/ and starts it on the
# bundled demo songs. Needs a graphical session (X11, or Wayland with XWayland)
# and a sound server or ALSA device for sound.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/build.sh build -DVELMARIS_TESTS=OFF
exec ./build/velmaris "$PWD/build/demo/Demo Songs.m3u"
