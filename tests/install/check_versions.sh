#!/usr/bin/env bash
# The three installed programs print the one version of the build.
# usage: check_versions.sh STAGE PREFIX VERSION
set -euo pipefail
stage=$1 prefix=$2 version=$3
. "$(dirname "$0")/lib.sh"
for program in kelvane kelvane-cli kelvane-sim; do
    out=$(staged "$program" --version) || problem "$program --version failed"
    [ "$out" = "$program $version" ] || problem "$program --version printed '$out', not '$program $version'"
done
exit $fail
