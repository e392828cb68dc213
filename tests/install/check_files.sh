#!/usr/bin/env bash
# The staged tree holds exactly the expected files (plus the udev rule wherever the build puts it),
# and each icon is what its name says.
# usage: check_files.sh STAGE PREFIX UDEV-RULES-DIR FILES.txt
set -euo pipefail
stage=$1 prefix=$2 udev=$3 list=$4
. "$(dirname "$0")/lib.sh"

case $udev in
/*) rule=${udev#/}/70-kelvane-usb-bridge.rules ;;
*) rule=${prefix#/}/$udev/70-kelvane-usb-bridge.rules ;;
esac
expected=$( (sed "s|^|${prefix#/}/|" "$list"; echo "$rule") | LC_ALL=C sort)
actual=$(cd "$stage" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
if [ "$expected" != "$actual" ]; then
    problem "installed files differ from the list (< expected, > installed):"
    diff <(echo "$expected") <(echo "$actual") || true
fi

for f in bin/kelvane bin/kelvane-cli bin/kelvane-sim; do
    [ -x "$stage$prefix/$f" ] || problem "$f is not executable"
done
for png in "$stage$prefix"/share/icons/hicolor/*x*/apps/kelvane.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || problem "$png is not a $size PNG: $(file -b "$png")"
done
grep -q 'ATTRS{idVendor}=="1a86"' "$stage/$rule" && grep -q 'SUBSYSTEM=="hidraw"' "$stage/$rule" &&
    grep -q 'ATTRS{idProduct}=="e010"' "$stage/$rule" && grep -q 'GROUP="plugdev"' "$stage/$rule" &&
    grep -q 'TAG+="uaccess"' "$stage/$rule" || problem "the udev rule does not open the bridge to plugdev and the seat"
for gz in "$stage$prefix"/share/man/man1/*.gz "$stage$prefix"/share/doc/kelvane/changelog.gz; do
    gzip -t "$gz" || problem "$gz is not gzip data"
done
exit $fail
