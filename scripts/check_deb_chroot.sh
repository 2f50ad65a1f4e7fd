#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root and tries it as a user would: installs
# with apt (which brings every dependency), runs tavuzip --batch from a terminal, opens the window
# under Xvfb, reads the manual page, checks the menu entry and "open with", then purges the
# package and checks that nothing of it is left. Not part of CI: it needs root, a Debian mirror
# and a few minutes.
#
# Usage (as root, after building and `cpack -G DEB` in build/, or scripts/check_install.sh):
#   scripts/setup.sh --chroot && scripts/check_deb_chroot.sh [build/tavuzip_VERSION_ARCH.deb]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
deb=${1:-$(ls build/tavuzip_*.deb 2>/dev/null | tail -n 1)}
[ -f "$deb" ] || { echo "check_deb_chroot: no package; build one with cpack -G DEB in build/" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "check_deb_chroot: run as root" >&2; exit 1; }
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
vips black "$tmp/photo.jpg" 1600 1200 --bands 3
cp "$deb" "$tmp/tavuzip.deb"

# Everything below runs inside the new root as the user "fotograf".
cat >"$tmp/inside.sh" <<'EOF'
set -eu
say() { printf '\n== %s\n' "$*"; }
say "apt install ./tavuzip.deb"
cd /tmp
apt-get install -y -q --no-install-recommends ./tavuzip.deb >/tmp/apt.log 2>&1 || { tail -30 /tmp/apt.log; exit 1; }
grep -E '^(The following NEW|[0-9]+ upgraded)' /tmp/apt.log
dpkg-query -W -f='${Package} ${Version} ${Status}\n' tavuzip
useradd -m fotograf
cp /tmp/photo.jpg /home/fotograf/ && chown fotograf: /home/fotograf/photo.jpg
# A clean login-like environment: nothing of the caller's (XDG folders, display) leaks in.
as_user() { runuser -u fotograf -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/home/fotograf LANG=C.UTF-8 XDG_RUNTIME_DIR=/tmp/run-fotograf "$@"; }
mkdir -p /tmp/run-fotograf && chown fotograf: /tmp/run-fotograf && chmod 700 /tmp/run-fotograf

say "tavuzip from a terminal"
as_user tavuzip --version
as_user tavuzip --batch -w 800 -f jpg -q 85 --border 简约白框 --text 样例 /home/fotograf/photo.jpg
ls -l /home/fotograf/.local/share/tavuzip/zp/

say "tools for the window, the manual page and the menu"
apt-get install -y -q --no-install-recommends xvfb xauth x11-utils man-db desktop-file-utils >/tmp/apt2.log 2>&1 || { tail -30 /tmp/apt2.log; exit 1; }

say "the window under Xvfb, opened with a picture as \"open with\" does"
as_user xvfb-run -a -s '-screen 0 1280x900x24' sh -c '
  tavuzip /home/fotograf/photo.jpg >/tmp/window.log 2>&1 & pid=$!
  sleep 6
  echo "windows: $(xwininfo -root -tree | grep -o "\"Tavu[^\"]*\"" | head -3)"
  kill $pid'
[ -d /home/fotograf/.local/share/tavuzip/user ] && echo "working folders: $(ls /home/fotograf/.local/share/tavuzip | tr '\n' ' ')"
cat /tmp/window.log

say "menu entry and open-with"
ls /usr/share/applications/org.tavuzip.TavuZip.desktop
grep -E '^(Name|Exec|Icon)=' /usr/share/applications/org.tavuzip.TavuZip.desktop
echo "\"open with\" for JPEG and PNG: $(grep -E '^image/(jpeg|png)=' /usr/share/applications/mimeinfo.cache | grep -c org.tavuzip.TavuZip.desktop) of 2"

say "man tavuzip"
LC_ALL=C.UTF-8 MANWIDTH=80 man tavuzip 2>&1 | head -8

say "apt purge tavuzip"
apt-get purge -y -q tavuzip >/tmp/apt3.log 2>&1 || { tail -30 /tmp/apt3.log; exit 1; }
if dpkg-query -W tavuzip 2>/dev/null; then echo "still known to dpkg"; exit 1; fi
left=$(ls -d /usr/bin/tavuzip /usr/share/tavuzip /usr/share/doc/tavuzip /usr/share/man/man1/tavuzip.1.gz \
  /usr/share/applications/org.tavuzip.TavuZip.desktop /usr/share/metainfo/org.tavuzip.TavuZip.metainfo.xml \
  /usr/share/icons/hicolor/*/apps/org.tavuzip.TavuZip.* /usr/share/lintian/overrides/tavuzip 2>/dev/null || true)
[ -z "$left" ] || { echo "left behind: $left"; exit 1; }
if grep -q org.tavuzip.TavuZip /usr/share/applications/mimeinfo.cache; then echo "still in the open-with cache"; exit 1; fi
echo "gone from the open-with cache"
echo "the user's own files stay: $(ls /home/fotograf/.local/share/tavuzip/zp)"
echo "chroot check: all good"
EOF

echo "== a fresh Debian 12 root ($mirror)"
if ! mmdebstrap --quiet --variant=apt --mode=root --format=directory \
  --customize-hook="copy-in $tmp/tavuzip.deb $tmp/photo.jpg $tmp/inside.sh /tmp" \
  --customize-hook='chroot "$1" sh /tmp/inside.sh' \
  bookworm "$tmp/root" "$mirror"; then
  echo "check_deb_chroot: FAILED" >&2
  exit 1
fi
