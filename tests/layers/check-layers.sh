#!/usr/bin/env bash
# The layers' include rule, checked on the sources: arrows point down only.
#   core (std only): tags, skins, options, text, files, and the rules in playback/ and
#     playlist/ other than the engine's own files: no Qt, no SDL, no mpg123
#   bindings (platform/): never the engine (playback/, playlist/PlayList*) or app/
#   engine (PlaybackEngine, PlayList, PlayListModel, BackgroundWork): QtCore only (the build
#     enforces it: the engine target has no QtWidgets include path); never app/
#   nothing outside src/app includes app/
set -u
src=${1:-$(dirname "$0")/../../src}
cd "$src" || exit 2
fail=0
report() { echo "layer rule broken: $*"; fail=1; }

while IFS= read -r hit; do report "$hit (outside src/app, includes the window layer)"; done \
  < <(grep -rnE '#include +"app/' --include='*.cpp' --include='*.h' . | grep -v '^\./app/')

engine_files='^\./(playback/PlaybackEngine|playlist/PlayList\.|playlist/PlayListModel|playlist/BackgroundWork)'
while IFS= read -r hit; do report "$hit (a core unit includes Qt, SDL or mpg123)"; done \
  < <(grep -rnE '#include +<(Q|SDL|mpg123)' --include='*.cpp' --include='*.h' tags skins options playback playlist text files \
        | sed 's#^#./#' | grep -vE "$engine_files")

while IFS= read -r hit; do report "$hit (a binding reaches up into the engine)"; done \
  < <(grep -rnE '#include +"(playback/PlaybackEngine|playlist/PlayList\.|playlist/PlayListModel)' platform)

while IFS= read -r hit; do report "$hit (the engine includes a widget header)"; done \
  < <(grep -rnE '#include +<Qt?(Widgets|Gui)|#include +<Q(Widget|Application|Label|Frame|Menu|Action|Color|Font|Image)>' \
        playback playlist)

[ $fail -eq 0 ] && echo "layers: every include points down"
exit $fail
