#!/usr/bin/env bash
# Installs the Debian 12 packages the player needs to build, run and test. Idempotent: when every
# package is already installed it changes nothing and does not touch the network.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6network6
  libtinyxml-dev libtag1-dev portaudio19-dev libasound2-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmpg123-dev libflac-dev libvorbis-dev libsoxr-dev
  libgtest-dev libgmock-dev googletest
  xvfb xauth xdotool x11-utils imagemagick ffmpeg
  libasound2-plugins  # test only: the ALSA plugins of a usual desktop, which the output must not keep loaded
  dbus-daemon  # test only: the private desktop bus of the media-control tests
  fonts-noto-cjk libxcb-cursor0
  libjmac-java default-jre-headless
  clang-format valgrind python3
  python3-mutagen  # test only: the tag oracle of the extended (ORVO_CORPUS) tests
  desktop-file-utils appstream  # test only: validators of the installed desktop entry and metainfo
  weston qt6-wayland  # the Wayland platform plugin; weston's headless compositor runs the Wayland test
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
