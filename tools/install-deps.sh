#!/usr/bin/env bash
# Installs every Debian package Vorlain needs to build, test and run: the one
# list, used by the README's set-up commands and by .ci/run. Works as root (a
# container, a new VM, CI) and as a user who has sudo.
set -euo pipefail

packages=(
  # Build
  cmake ninja-build g++ pkg-config ccache mold
  # Program and display control
  qt6-base-dev
  # Converter, tags, sound, projects
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg
  libtag1-dev libasound2-dev alsa-utils libasound2-plugins libpugixml-dev
  # Effects: loudness per EBU R128, LV2 plugin hosting (and the example
  # amplifier plus one real plugin collection the tests use), time stretch
  libebur128-dev liblilv-dev lv2-dev lv2-examples swh-lv2
  librubberband-dev rubberband-cli
  # Tests: GoogleTest, an X server for the program, a sound server paced in
  # real time (tools/ci-services.sh)
  libgtest-dev xvfb xauth pulseaudio
  # Tests: SoX, the reference a rate conversion is measured against
  sox
  # Package tests: the tools that read the desktop file, the MIME type and
  # the AppStream metainfo as apt and software centres do
  desktop-file-utils shared-mime-info appstream
)

if [ "$(id -u)" = 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: run this as root or install sudo first" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${packages[@]}"
