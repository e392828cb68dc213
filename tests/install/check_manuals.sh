#!/usr/bin/env bash
# Each installed manual page has an entry for every option its program's --help lists (for
# kelvane-cli also for every subcommand and its options), and entries only for options it has.
# usage: check_manuals.sh STAGE PREFIX
set -euo pipefail
stage=$1 prefix=$2
. "$(dirname "$0")/lib.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The roff source as plain words: escapes of '-' and font changes undone.
manual_text() {
    zcat "$stage$prefix/share/man/man1/$1.1.gz" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\(..//g'
}
words_options() {
    grep -oE -- '(^|[^-[:alnum:]])-{1,2}[[:alnum:]?][-[:alnum:]]*' | sed -E 's/^[^-]//' | sort -u
}

for program in kelvane kelvane-cli kelvane-sim; do
    staged "$program" --help >"$scratch/help" || problem "$program --help failed"
    help_options <"$scratch/help" >"$scratch/options"
    subcommands=$(help_subcommands <"$scratch/help")
    for sub in $subcommands; do
        staged "$program" "$sub" --help >"$scratch/sub" || problem "$program $sub --help failed"
        help_options <"$scratch/sub" >>"$scratch/options"
    done
    sort -u -o "$scratch/options" "$scratch/options"
    [ -s "$scratch/options" ] || problem "no options found in $program --help"

    # The entries of the page: the tag line after each .TP.
    manual_text "$program" | grep -A1 '^\.TP' | grep -v '^\.TP' >"$scratch/entries"
    words_options <"$scratch/entries" >"$scratch/man-options"
    missing=$(comm -23 "$scratch/options" "$scratch/man-options")
    [ -z "$missing" ] || problem "$program.1 has no entry for:" $missing
    for sub in $subcommands; do
        grep -qE "(^|[^-[:alnum:]])$sub([^-[:alnum:]]|$)" "$scratch/entries" ||
            problem "$program.1 has no entry for the command $sub"
    done
    stale=$(grep -- '^--' "$scratch/man-options" | comm -23 - "$scratch/options")
    [ -z "$stale" ] || problem "$program.1 has entries for options the program does not have:" $stale
done
exit $fail
