#!/usr/bin/env bash
# The documented check of the Debian package (docs/PACKAGING.md): builds it, runs lintian, installs
# it with apt-get, starts the installed `kelvane --demo` under Xvfb and takes a screenshot, then
# removes the package again. Run as root (or with sudo) on a Debian or Ubuntu machine; prints a
# report on stdout.
# usage: packaging/check-deb.sh [SCREENSHOT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shot="$(realpath -m "${1:-$root/build-deb/installed-demo.png}")"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
cd "$root"

step() { printf '\n$ %s\n' "$*"; }

make deb >build-deb.log 2>&1 || { tail -40 build-deb.log; exit 1; }
deb=$(ls build-deb/kelvane_*.deb)
step "dpkg-deb --info $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
step "dpkg-deb --contents $deb"
dpkg-deb --contents "$deb" | awk '{print $1, $6}'

step "lintian $deb"
lintian --info "$deb" >lintian.log 2>&1 || true
cat lintian.log
errors=$(grep -c '^E:' lintian.log || true)
echo "lintian: $errors errors"
rm -f lintian.log

was_installed=$(dpkg-query -W -f='${Status}' kelvane 2>/dev/null | grep -c 'install ok installed' || true)
step "apt-get install -y ./$deb"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "./$deb" 2>&1 | grep -E '^(Setting up|Unpacking|[0-9]+ upgraded)' || true
step "command -v kelvane kelvane-cli kelvane-sim; kelvane --version; kelvane-cli --version; kelvane-sim --version"
command -v kelvane kelvane-cli kelvane-sim
kelvane --version
kelvane-cli --version
kelvane-sim --version
step "man -w kelvane kelvane-cli kelvane-sim"
man -w kelvane kelvane-cli kelvane-sim

# The installed window against its built-in emulated processor, on a screen of its own.
step "Xvfb :$$; kelvane --demo; import -window root"
display=":$((90 + $$ % 100))"
scratch=$(mktemp -d)
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do DISPLAY=$display xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
(cd "$scratch" && DISPLAY=$display exec /usr/bin/kelvane --demo) >"$scratch/app.log" 2>&1 &
app=$!
# Wait for the main window, then for the connection's lookup dialog to close.
shown=no
for _ in $(seq 300); do
    if DISPLAY=$display xdotool search --onlyvisible --name '^Kelvane SV' >/dev/null 2>&1 &&
        ! DISPLAY=$display xdotool search --onlyvisible --name '^(Device lookup|Data transmission)' >/dev/null 2>&1; then
        shown=yes
        break
    fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
echo "visible windows: $(DISPLAY=$display xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd, -)"
DISPLAY=$display import -window root "$shot"
echo "window shown: $shown; screenshot: $shot ($(file -b "$shot"))"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
rm -rf "$scratch"

if [ "$was_installed" = 0 ]; then
    step "apt-get remove -y kelvane"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y kelvane 2>&1 | grep -E '^(Removing|[0-9]+ upgraded)' || true
    dpkg-query -W -f='${Status}\n' kelvane 2>/dev/null || echo "kelvane: not installed"
fi
[ "$errors" = 0 ] && [ "$shown" = yes ]
