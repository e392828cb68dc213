#!/usr/bin/env bash
# Installs the build into a fresh scratch DESTDIR.
# usage: stage.sh BUILD-DIR STAGE-DIR PREFIX
set -euo pipefail
build=$1 stage=$2 prefix=$3
rm -rf "$stage"
mkdir -p "$stage"
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >"$stage.log" 2>&1 || { cat "$stage.log"; exit 1; }
echo "installed into $stage$prefix"
