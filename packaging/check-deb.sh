#!/usr/bin/env bash
# The documented check of the Debian package (docs/PACKAGING.md): builds it, runs lintian, installs
# it with apt-get, starts the installed `kelvane --demo` under Xvfb and takes a screenshot of its
# window, then purges the package and whatever apt installed with it, so the machine is left as it
# was. Run as root (or with sudo) on a Debian or Ubuntu machine; prints a report on stdout.
# usage: packaging/check-deb.sh [SCREENSHOT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shot="$(realpath -m "${1:-$root/build-deb/installed-demo.png}")"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
cd "$root"
scratch=$(mktemp -d)
app="" xvfb="" installing=no

installed_packages() { dpkg-query -W -f='${Package} ${Status}\n' | awk '$NF == "installed" {print $1}' | sort; }

# Ends the window and the X server, and purges what this check installed: the package and what apt
# brought with it. Runs however the check ends.
finish() {
    local status=$?
    for pid in $app $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ "$installing" = yes ]; then
        local added
        added=$(installed_packages | comm -13 "$scratch/before" - | tr '\n' ' ')
        step "apt-get purge -y $added"
        if [ -n "$added" ]; then
            $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y $added 2>&1 |
                grep -E '^(Removing|Purging|[0-9]+ upgraded)' || true
        fi
        if installed_packages | diff -q "$scratch/before" - >/dev/null; then
            echo "installed packages: as before the check"
        else
            echo "installed packages: differ from before the check"
            status=1
        fi
    fi
    rm -rf "$scratch"
    exit $status
}
trap finish EXIT

step() { printf '\n$ %s\n' "$*"; }

make deb >"$scratch/build.log" 2>&1 || { tail -40 "$scratch/build.log"; exit 1; }
deb=$(ls build-deb/kelvane_*.deb)
step "dpkg-deb --field $deb"
dpkg-deb --field "$deb"
step "dpkg-deb --contents $deb"
dpkg-deb --contents "$deb" | awk '{print $1, $6}'

step "lintian $deb"
lintian "$deb" >"$scratch/lintian.log" 2>&1 || true
grep -v 'root privileges' "$scratch/lintian.log" || true
errors=$(grep -c '^E:' "$scratch/lintian.log" || true)
echo "lintian: $errors errors, $(grep -c '^W:' "$scratch/lintian.log" || true) warnings"

installed_packages >"$scratch/before"
installing=yes
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
display=":$((90 + $$ % 100))"
step "Xvfb $display; /usr/bin/kelvane --demo; import -window WINDOW"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
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
window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Kelvane SV' | head -1 || true)
DISPLAY=$display import -window "${window:-root}" "$shot"
echo "window shown: $shown; screenshot: $shot ($(file -b "$shot"))"
echo "the window's log: $(cat "$scratch/app.log")"
[ "$errors" = 0 ] && [ "$shown" = yes ]
