#!/usr/bin/env bash
# Installs every Debian package that building, testing and running TavuZip needs.
#   scripts/setup.sh          build, tests, the window under Xvfb
#   scripts/setup.sh --bench  also the benchmark's photo source and EXIF tool
#   scripts/setup.sh --chroot also what scripts/check_deb_chroot.sh needs (a Debian 12 root)
# Safe to run again: packages already present are left alone. Run as root (or through sudo).
set -euo pipefail

packages=(
  # build
  cmake ninja-build pkg-config g++ ccache
  # fuzzing (scripts/fuzz.sh): clang and its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # engine and window libraries (libvips reads HEIC/HEIF/AVIF through libheif and WebP through
  # libwebp; libexif for the EXIF block results may keep;
  # libdeflate to inflate plain PNG pictures in one piece; libjpeg to re-encode JPEGs from their
  # coefficients)
  libvips-dev qt6-base-dev libheif-dev libwebp-dev libexif-dev libdeflate-dev libjpeg-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev libvips-tools imagemagick hyperfine time
  # HEIC/AVIF encoders for the test pictures (libheif's x265 and aom), and heif-enc/heif-info
  libheif1 libheif-examples
  # running the window headless, and Chinese text (also Qt's own buttons and dialogs)
  xvfb xauth fonts-wqy-microhei qt6-translations-l10n
  # trying the window as a user would: a window manager, pointer and keys, window properties
  openbox xdotool x11-utils
  # installing and packaging: checks of the desktop entry, metainfo, manual page and package;
  # the icon's PNG sizes (scripts/make_icons.sh)
  desktop-file-utils appstream man-db dpkg-dev file lintian librsvg2-bin
)
if [ "${1:-}" = "--bench" ]; then
  # real photographs to make camera-sized test photos from, a tool to give them EXIF tags, and
  # djpeg/cjpeg/jpegtran (the decode-only limit, progressive copies of the photos)
  packages+=(lomiri-wallpapers-16.04 exiv2 libjpeg-turbo-progs)
fi
if [ "${1:-}" = "--chroot" ]; then
  # a fresh Debian 12 root to install the package into
  packages+=(mmdebstrap)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
