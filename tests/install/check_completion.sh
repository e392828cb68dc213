#!/usr/bin/env bash
# The installed bash completion offers every option and subcommand of the programs' --help, and the
# files and numbers each place takes.
# usage: check_completion.sh STAGE PREFIX
set -uo pipefail
stage=$1 prefix=$2
. "$(dirname "$0")/lib.sh"
completions=$stage$prefix/share/bash-completion/completions
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/folder"
touch "$scratch/live.dia" "$scratch/all.dat" "$scratch/notes.txt"

. "$completions/kelvane-cli"
. "$completions/kelvane-sim"

# Completes the command line $2... (the last word is the one being completed) with function $1 and
# prints the candidates sorted, space-separated.
complete_line() {
    local fn=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$fn"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort -u | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local want=$1 got
    shift
    got=$(complete_line "$@")
    [ "$got" = "$want" ] || problem "completing '${*:2}': got '$got', want '$want'"
}

# Everything --help lists is offered where it belongs.
staged kelvane-cli --help >"$scratch/help"
for option in $(help_options <"$scratch/help" | grep -- '^--'); do
    [[ " $(complete_line _kelvane_cli kelvane-cli --) " == *" $option "* ]] || problem "kelvane-cli does not complete $option"
done
for sub in $(help_subcommands <"$scratch/help"); do
    [[ " $(complete_line _kelvane_cli kelvane-cli '') " == *" $sub "* ]] || problem "kelvane-cli does not complete the command $sub"
    for option in $(staged kelvane-cli "$sub" --help | help_options | grep -- "^--"); do
        [[ " $(complete_line _kelvane_cli kelvane-cli "$sub" -) " == *" $option "* ]] ||
            problem "kelvane-cli $sub does not complete $option"
    done
done
for option in $(staged kelvane-sim --help | help_options | grep -- '^--'); do
    [[ " $(complete_line _kelvane_sim kelvane-sim --) " == *" $option "* ]] || problem "kelvane-sim does not complete $option"
done

# What each place takes.
d=$scratch
expect "read recall restore" _kelvane_cli kelvane-cli re
expect "--no-network --no-serial --no-usb" _kelvane_cli kelvane-cli --no
expect "recall" _kelvane_cli kelvane-cli --device-address 127.0.0.1 --no-usb rec
expect "" _kelvane_cli kelvane-cli --device-port ''
expect "$d/all.dat $d/folder" _kelvane_cli kelvane-cli backup -o "$d/"
expect "$d/folder $d/live.dia" _kelvane_cli kelvane-cli --no-usb read --output "$d/"
expect "$d/all.dat $d/folder $d/live.dia" _kelvane_cli kelvane-cli dump "$d/"
expect "$d/all.dat $d/folder" _kelvane_cli kelvane-cli restore "$d/"
expect "$(seq 0 17 | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')" _kelvane_cli kelvane-cli curve x.dia ''
expect "1 10 11 12 13 14 15 16" _kelvane_cli kelvane-cli store 1
expect "" _kelvane_cli kelvane-cli store 3 ''
expect "--count --help -n" _kelvane_cli kelvane-cli meters -
touch "$d/rooms.toml"
expect "$d/folder $d/rooms.toml" _kelvane_cli kelvane-cli fleet "$d/"
expect "backup" _kelvane_cli kelvane-cli fleet rooms.toml --group small ba
expect "$d/folder" _kelvane_cli kelvane-cli fleet rooms.toml read -o "$d/"
expect "--output" _kelvane_cli kelvane-cli fleet rooms.toml backup --jobs 4 --o
expect "" _kelvane_cli kelvane-cli fleet rooms.toml --rooms ''
expect "--load" _kelvane_sim kelvane-sim --lo
expect "$d/all.dat $d/folder" _kelvane_sim kelvane-sim --serial --load "$d/"
expect "" _kelvane_sim kelvane-sim --udp ''
exit $fail
