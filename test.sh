#!/usr/bin/env bash
# Installs what is missing, builds Velmaris and its tests into build/ and runs
# every test headless (no display or sound card needed).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/build.sh build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
