#!/usr/bin/env bash
# Checks the installed program and the Debian package, from a finished build folder:
#   1. `cmake --install` into a temporary prefix, then the prefix made read-only;
#   2. the installed `tavuzip --batch` on a test picture (with a shipped border) and the window's
#      start-up: results and working folders land in the XDG data folder, nothing is written
#      below the prefix (as root, which ignores read-only bits, the listing before and after is
#      compared, and the run is repeated as an unprivileged user when setpriv is there);
#   3. desktop-file-validate, appstreamcli validate --no-net, the manual page names every option;
#   4. cpack -G DEB: the package's name, dependencies and file list; lintian without errors.
# Usage: scripts/check_install.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
id=org.tavuzip.TavuZip
version=$(sed -n 's/^project(TavuZip VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

tmp=$(mktemp -d)
cleanup() {
  chmod -R u+w "$tmp" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"  # an unprivileged user must reach the prefix and the test picture
fail() {
  echo "check_install: FAILED: $*" >&2
  exit 1
}

echo "== install into a temporary prefix"
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tavuzip share/tavuzip/size.ini share/tavuzip/skin.she share/tavuzip/ReadMe.txt \
         share/tavuzip/ad/index.html share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/tavuzip.1.gz share/doc/tavuzip/copyright; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
for d in skin bk sy; do
  [ -n "$(ls -A "$prefix/share/tavuzip/$d")" ] || fail "share/tavuzip/$d is empty"
done
"$prefix/bin/tavuzip" --version | grep -q "$version" || fail "--version does not say $version"

chmod -R a-w "$prefix"
listing() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
listing >"$tmp/before.txt"

picture=$tmp/photo.png
vips black "$picture" 640 480 --bands 3
chmod 644 "$picture"

# Runs the installed program as the user given by the command prefix "$@" (empty: as we are),
# with its own home and XDG folders in $1; checks where everything lands.
check_runs() {
  local home=$1
  shift
  local data=$home/data
  local as=("$@" env HOME="$home" XDG_DATA_HOME="$data" XDG_CONFIG_HOME="$home/config"
            XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen)
  "${as[@]}" "$prefix/bin/tavuzip" --batch --quiet -w 320 -f jpg --border 简约白框 "$picture" \
    || fail "the installed tavuzip --batch failed ($*)"
  [ -f "$data/tavuzip/zp/photo.jpg" ] || fail "no result in \$XDG_DATA_HOME/tavuzip/zp ($*)"
  [ "$(vipsheader -f width "$data/tavuzip/zp/photo.jpg")" = 320 ] || fail "the result is not 320 wide"

  # The window: start-up creates the working folders, then it is ended.
  "${as[@]}" "$prefix/bin/tavuzip" "$picture" >"$home/window.log" 2>&1 &
  local pid=$! waited=0
  while [ ! -d "$data/tavuzip/user" ] && [ $waited -lt 300 ] && kill -0 $pid 2>/dev/null; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  [ -d "$data/tavuzip/user" ] && [ -d "$data/tavuzip/zp" ] \
    || { cat "$home/window.log" >&2; fail "the window made no working folders in \$XDG_DATA_HOME ($*)"; }
  listing | diff "$tmp/before.txt" - >&2 || fail "something was written below the prefix ($*)"
}

echo "== installed program, read-only prefix"
mkdir -p "$tmp/me/run" && chmod 700 "$tmp/me/run"
check_runs "$tmp/me"
if [ "$(id -u)" -eq 0 ]; then
  if command -v setpriv >/dev/null; then
    # Root writes through read-only bits: repeat as an unprivileged user, who cannot.
    mkdir -p "$tmp/nobody/run" && chmod 700 "$tmp/nobody/run"
    chown -R 65534:65534 "$tmp/nobody"
    check_runs "$tmp/nobody" setpriv --reuid=65534 --regid=65534 --clear-groups
    echo "   (also as an unprivileged user)"
  else
    echo "   (as root only: the listing of the prefix is compared)"
  fi
fi

echo "== desktop entry, metainfo, manual page"
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --no-color "$prefix/share/metainfo/$id.metainfo.xml" >"$tmp/as.txt" \
  || { cat "$tmp/as.txt" >&2; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" \
  || fail "the metainfo's release is not $version"
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=100 man -l "$prefix/share/man/man1/tavuzip.1.gz" 2>/dev/null)
for opt in $("$prefix/bin/tavuzip" --batch --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "$opt" <<<"$man_text" || fail "the manual page does not describe $opt"
done

echo "== Debian package"
rm -f "$build"/tavuzip_*.deb
(cd "$build" && cpack -G DEB >"$tmp/cpack.txt" 2>&1) || { cat "$tmp/cpack.txt" >&2; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb=$build/tavuzip_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in fonts-wqy-microhei libvips42 libqt6widgets6 libc6; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/contents.txt"
for f in ./usr/bin/tavuzip ./usr/share/tavuzip/size.ini ./usr/share/tavuzip/skin.she \
         ./usr/share/tavuzip/skin/ ./usr/share/tavuzip/bk/ ./usr/share/tavuzip/sy/ \
         ./usr/share/tavuzip/ad/index.html ./usr/share/tavuzip/ReadMe.txt \
         ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/icons/hicolor/scalable/apps/$id.svg \
         ./usr/share/man/man1/tavuzip.1.gz ./usr/share/doc/tavuzip/copyright \
         ./usr/share/doc/tavuzip/changelog.gz; do
  grep -qxF "$f" "$tmp/contents.txt" || fail "the package lacks $f"
done
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$tmp/lintian.txt" || true
  ! grep -q '^E:' "$tmp/lintian.txt" || fail "lintian reports errors"
fi
echo "check_install: all good ($(basename "$deb"), $(du -k "$deb" | cut -f1) KB)"
