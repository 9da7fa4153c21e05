#!/usr/bin/env bash
# Makes a fresh minimal Debian 12 (bookworm, minbase) tree in the folder
# given, for trying the package or the set-up scripts on a clean system.
# debootstrap runs once; its tree is kept under /var/cache/velmaris-chroot and
# copied for each use. The Debian mirror is the one apt uses on this machine.
# Needs root. Usage: debian-chroot.sh <folder>
set -euo pipefail
root=${1:?folder for the chroot}
cache=${VELMARIS_CHROOT_CACHE:-/var/cache/velmaris-chroot}
base=$cache/bookworm-minbase

# The first "deb" source of a suite, from one-line lists or deb822 files.
mirror_of() {
  local suite=$1
  {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -E 's/\[[^]]*\]//' | awk -v s="$suite" '$1 == "deb" && $3 == s { print $2 }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v s="$suite" '
      BEGIN { RS = "" }
      {
        types = uris = suites = ""
        n = split($0, lines, "\n")
        for (i = 1; i <= n; i++) {
          if (lines[i] ~ /^Types:/) types = " " substr(lines[i], 7) " "
          if (lines[i] ~ /^URIs:/) uris = substr(lines[i], 6)
          if (lines[i] ~ /^Suites:/) suites = " " substr(lines[i], 8) " "
        }
        gsub(/[ \t]+/, " ", types); gsub(/[ \t]+/, " ", suites)
        split(uris, u, " ")
        if (types ~ / deb / && suites ~ (" " s " ")) print u[1]
      }'
  } | head -n 1
}

mirror=$(mirror_of bookworm)
security=$(mirror_of bookworm-security)
mirror=${mirror:-http://deb.debian.org/debian}

if [ ! -e "$base/.complete" ]; then
  echo "debootstrap bookworm (minbase) from $mirror into $base"
  rm -rf --one-file-system "$base"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -n 20 "$cache/debootstrap.log"; exit 1; }
  {
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    [ -n "$security" ] && echo "deb $security bookworm-security main"
  } >"$base/etc/apt/sources.list"
  touch "$base/.complete"
fi

rm -rf --one-file-system "$root"
mkdir -p "$(dirname "$root")"
cp -a "$base" "$root"
rm -f "$root/.complete"
cp /etc/resolv.conf "$root/etc/resolv.conf"
