#!/usr/bin/env bash
# Rebuilds the skin: draws every bitmap of resources/skin at 1x and 2x, the icon sizes and resources/skin.qrc.
# usage: tools/skingen/generate.sh [build-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target kelvane-skingen -j2
QT_QPA_PLATFORM=offscreen "$build/tools/skingen/kelvane-skingen" "$root/resources"
