#!/usr/bin/env bash
# Builds Tavik64 (installing missing Debian packages first) and starts it on the sample game
# folder generated beside it. Pass --i386 to build and start the 32-bit Tavik under qemu.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
. tools/ccache-env.sh
if [ "${1:-}" = "--i386" ]; then
    preset=i386 program=Tavik
else
    preset=x86-64 program=Tavik64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target "$program"
cd "build/$preset"
if [ "$program" = Tavik ]; then
    . ../../tools/i386-gl.sh
    exec qemu-i386 ./Tavik
fi
exec ./Tavik64
