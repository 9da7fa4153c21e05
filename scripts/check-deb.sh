#!/usr/bin/env bash
# Builds the Debian package and tries it on a fresh minimal Debian 12: installs
# it with apt-get in a chroot, runs `velmaris --version` and `--help`, removes
# it and checks that none of its files is left. Then validates the desktop
# entry and AppStream data and lints the package. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
root=$PWD/build-deb/check-root

make deb
deb=$(ls -t build-deb/velmaris_*.deb | head -n 1)
version=$(dpkg-deb -f "$deb" Version)

echo "== fresh Debian 12 chroot =="
bash scripts/debian-chroot.sh "$root"
cleanup() {
  for m in "$root/dev" "$root/proc"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

echo "== apt-get install ./$(basename "$deb") =="
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -q "/tmp/$(basename "$deb")" >build-deb/check-install.log 2>&1 ||
  { cat build-deb/check-install.log; exit 1; }
tail -n 3 build-deb/check-install.log

echo "== velmaris --version; velmaris --help =="
got=$(in_root velmaris --version)
echo "$got"
[ "$got" = "Velmaris $version" ] || { echo "FAIL: expected 'Velmaris $version'"; exit 1; }
in_root velmaris --help

echo "== apt-get remove velmaris =="
in_root dpkg -L velmaris >build-deb/check-files.txt
in_root apt-get remove -y -q velmaris >build-deb/check-remove.log 2>&1 ||
  { cat build-deb/check-remove.log; exit 1; }
if in_root dpkg -s velmaris 2>/dev/null | grep -q '^Status: .* installed'; then
  echo "FAIL: velmaris is still installed"; exit 1
fi
left=0
while IFS= read -r path; do
  [ "$path" = "/." ] && continue
  [ -e "$root$path" ] || [ -L "$root$path" ] || continue
  # A folder that another package also owns (/usr/share/icons, ...) stays.
  if [ -d "$root$path" ] && [ ! -L "$root$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
  echo "left behind: $path"
  left=$((left + 1))
done <build-deb/check-files.txt
[ "$left" -eq 0 ] || { echo "FAIL: $left paths of the package remain"; exit 1; }
echo "all $(wc -l <build-deb/check-files.txt) paths of the package are gone (shared folders kept)"

echo "== desktop-file-validate, appstreamcli validate =="
desktop-file-validate resources/velmaris.desktop
appstreamcli validate --no-net resources/*.metainfo.xml

echo "== lintian $(basename "$deb") =="
lintian --fail-on error --display-info "$deb"
echo "check-deb: passed in $((SECONDS - start)) s ($deb)"
