#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and point at the installed
# program and icon.
# usage: check_metadata.sh STAGE PREFIX
set -euo pipefail
stage=$1 prefix=$2
. "$(dirname "$0")/lib.sh"
share=$stage$prefix/share

desktop-file-validate "$share/applications/kelvane.desktop" || problem "desktop-file-validate"
appstreamcli validate --no-net --explain "$share/metainfo/com.kelvane.Control.metainfo.xml" ||
    problem "appstreamcli validate"

exec_line=$(sed -n 's/^Exec=//p' "$share/applications/kelvane.desktop")
[ -x "$stage$prefix/bin/${exec_line%% *}" ] || problem "Exec=$exec_line is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$share/applications/kelvane.desktop")
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || problem "Icon=$icon has no scalable icon"
grep -q '<launchable type="desktop-id">kelvane.desktop</launchable>' "$share/metainfo/com.kelvane.Control.metainfo.xml" ||
    problem "the metainfo does not launch kelvane.desktop"
grep -qE '<image[^>]*>https://[^<]+\.png</image>' "$share/metainfo/com.kelvane.Control.metainfo.xml" ||
    problem "the metainfo has no screenshot"
exit $fail
