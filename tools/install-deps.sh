#!/usr/bin/env bash
# Installs the Debian packages Tavik needs to build and test, both architectures.
# Idempotent: does nothing when everything is present.
set -euo pipefail

amd64=(cmake g++ g++-multilib clang libclang-rt-14-dev ccache pkg-config libgtest-dev libbenchmark-dev
       libglfw3-dev libtinyxml-dev libpng-dev libtiff-dev zlib1g-dev libglu1-mesa-dev libgtk-3-dev
       libfreetype-dev fonts-dejavu-core fonts-dejavu-extra xvfb xauth xdotool xclip imagemagick libtiff-tools
       sox assimp-utils assimp-testmodels qemu-user pngquant time)
i386=(libglfw3-dev:i386 libpng-dev:i386 libtiff-dev:i386 libtinyxml-dev:i386 zlib1g-dev:i386
      libgl-dev:i386 libglu1-mesa-dev:i386 libgtk-3-dev:i386 libgtest-dev:i386 libfreetype-dev:i386)

missing=()
for p in "${amd64[@]}" "${i386[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
# The i386 GTK packages cannot run their post-install steps on this kernel; rebuild the
# image-loader cache through the emulator so GTK dialogs find their icons.
loaders=/usr/lib/i386-linux-gnu/gdk-pixbuf-2.0/gdk-pixbuf-query-loaders
if [ -x "$loaders" ] && command -v qemu-i386 >/dev/null; then
    $SUDO qemu-i386 "$loaders" --update-cache || true
fi
