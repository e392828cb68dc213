#!/usr/bin/env bash
# The fault drills of docs/RELIABILITY.md: kelvane-cli against kelvane-sim (loopback UDP only) with each
# fault the emulator offers, a killed emulator, parallel scripts and a soak. Prints one table row per drill.
# usage: scripts/fault-drills.sh [BUILD_DIR] [SOAK_SECONDS]
set -uo pipefail
build=${1:-build}
soak=${2:-120}
sim=$build/src/sim/kelvane-sim
cli=$build/src/cli/kelvane-cli
scale=0.05
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

start_sim() { # args: fault options; sets SIM_PID and PORT (the emulator's first line says where it listens)
  local out
  out=$(mktemp -p .)
  "$OLDPWD/$sim" --udp 127.0.0.1:0 --timing-scale $scale "$@" >"$out" &
  SIM_PID=$!
  until [ -s "$out" ]; do sleep 0.05; done
  read -r where <"$out"
  PORT=${where##*:}
}
stop_sim() { kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null; }
run_cli() { "$OLDPWD/$cli" --no-serial --no-usb --device-port "$PORT" --timing-scale $scale "$@"; }
row() { printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4"; }

"$OLDPWD/$cli" defaults -o start.dia
printf '| drill | command | exit, seconds | last message |\n|---|---|---|---|\n'

# Each fault, each sending and reading command.
drill() { # name, sim options...
  local name=$1; shift
  for cmd in "backup -o b.dat" "restore b.dat" "write start.dia" "apply start.dia"; do
    start_sim "$@"
    [ -f b.dat ] || { run_cli backup -o b.dat 2>/dev/null; }
    local t0=$(date +%s.%N)
    run_cli $cmd >out.txt 2>err.txt
    local rc=$?
    local t=$(echo "$(date +%s.%N) - $t0" | bc)
    row "$name" "$cmd" "$rc, $(printf %.1f "$t")" "$(tail -n1 err.txt | tr '|' '/')"
    stop_sim
  done
}
drill "no fault"
drill "drop every 7th reply" --drop-every 7
drill "corrupt every 9th reply" --corrupt-every 9
drill "replies in small pieces" --split-replies
drill "stray bytes before every reply" --noise FF0355
drill "silent after 60 frames" --silent-after 60
drill "silent after 25 frames" --silent-after 25
drill "program writes refused" --refuse 132

# The emulator killed in the middle of a transfer, once the device is open (the initial read of 24
# frames done): the CLI ends with a message saying how far it got, and the file it was to write is intact.
kill_during() { # name, command, file to keep
  start_sim
  run_cli backup -o "$3" 2>/dev/null
  local before
  before=$(sha256sum <"$3")
  : >err.txt
  run_cli $2 >/dev/null 2>err.txt &
  local cli_pid=$!
  until grep -q "24 frames transferred" err.txt; do sleep 0.05; done
  sleep 0.3
  kill -9 "$SIM_PID"
  local t0=$(date +%s.%N)
  wait $cli_pid
  local rc=$?
  local t=$(echo "$(date +%s.%N) - $t0" | bc)
  local same=unchanged
  [ "$(sha256sum <"$3")" = "$before" ] || same=CHANGED
  row "$1" "$2" "$rc, $(printf %.1f "$t") after the kill" "$(tail -n1 err.txt); $3 $same"
}
kill_during "emulator killed (-9) during restore" "restore kept.dat" kept.dat
kill_during "emulator killed (-9) during backup" "backup -o kept.dat" kept.dat

# Parallel scripts: four CLIs at once, each 15 identifies, each against its own emulator.
ports=(); sims=(); clis=()
for i in 1 2 3 4; do start_sim; ports+=("$PORT"); sims+=("$SIM_PID"); done
for i in 0 1 2 3; do
  ( ok=0; for r in $(seq 15); do
      "$OLDPWD/$cli" --no-serial --no-usb --device-port "${ports[$i]}" --timing-scale $scale identify \
        >/dev/null 2>&1 && ok=$((ok + 1)); done; echo $ok >"ok$i" ) &
  clis+=($!)
done
wait "${clis[@]}"
total=$(( $(cat ok0) + $(cat ok1) + $(cat ok2) + $(cat ok3) ))
row "4 parallel CLIs × 15 identifies" "identify" "$total of 60 answered" ""
for p in "${sims[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done

# Soak: apply, recall and backup in turns against one emulator dropping every 11th reply.
start_sim --drop-every 11
end=$(( $(date +%s) + soak )); runs=0; failed=0
while [ "$(date +%s)" -lt "$end" ]; do
  for cmd in "apply start.dia" "recall $((runs % 21 + 1))" "backup -o soak.dat"; do
    run_cli $cmd >/dev/null 2>>soak-err.txt || failed=$((failed + 1))
    runs=$((runs + 1))
  done
done
row "soak ${soak} s, every 11th reply dropped" "apply/recall/backup" "$runs runs, $failed failed" \
    "$(grep '^kelvane-cli:' soak-err.txt | sort | uniq -c | sort -rn | head -n1 | tr -s ' ')"
stop_sim
