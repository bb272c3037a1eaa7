#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then configures and
# builds the programs and tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev libjpeg62-turbo-dev libgtest-dev
          libbenchmark-dev qt6-translations-l10n fonts-dejavu-core xvfb xauth xdotool clang
          libclang-rt-14-dev file dpkg-dev strace libopencv-dev qt6-image-formats-plugins
          python3-numpy time qt6-qpa-plugins desktop-file-utils poppler-utils
          libpng-dev zlib1g-dev libopencv-contrib-dev libapriltag-dev openbox x11-utils
          qt6-l10n-tools qt6-tools-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  # Recommends would add GTK, Java, GnuPG and video drivers (about a quarter of the download)
  # that neither the build nor the tests use; what the programs need at run time is listed.
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
