#!/usr/bin/env bash
# Installs the Debian 12 packages Velmaris needs to build, test and run.
# Only packages that are missing are installed. Pass "fuzz" to add clang's
# libFuzzer runtime, "bench" for the benchmark extras, "screens" for Xvfb,
# "deb" for building, checking and test-installing the Debian package.
set -euo pipefail

packages=(
  ca-certificates build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libmpg123-dev libsdl2-dev libpulse-dev
  libflac-dev libopusfile-dev libvorbis-dev flac opus-tools vorbis-tools
  libgtest-dev lame sox python3 python3-mutagen fonts-dejavu-core fonts-liberation2 desktop-file-utils
  shared-mime-info dbus-daemon playerctl libglib2.0-bin pulseaudio
  at-spi2-core python3-pyatspi xdotool xvfb xauth openbox imagemagick
)
for extra in "$@"; do
  case "$extra" in
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(libbenchmark-dev libtag1-dev time audacious mpg123 pulseaudio pulseaudio-utils xvfb xauth) ;;
    screens) packages+=(xvfb xauth x11-apps imagemagick) ;;
    deb) packages+=(dpkg-dev fakeroot file lintian appstream desktop-file-utils debootstrap) ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
