#!/usr/bin/env bash
# Starts the window against the in-process emulated processor (no port scan, no network).
set -euo pipefail
build=${1:-build}
app="$build/src/app/kelvane"
if [ ! -x "$app" ]; then
  echo "The window is not built yet: the core, kelvane-sim and kelvane-cli are in $build/src."
  exit 0
fi
exec "$app" --demo
