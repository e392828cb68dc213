# Shared by the install checks: where the staged programs are, and option lists out of help texts.

# Runs a staged program (its libraries are the system's).
staged() {
    local name=$1
    shift
    "$stage$prefix/bin/$name" "$@"
}

# The options in the option column of a help text on stdin (Qt's and CLI11's layouts), one a line.
help_options() {
    sed -nE 's/^ +(-[^ ].*)$/\1/p' | sed -E 's/ {2,}.*$//' |
        grep -oE -- '(^|[ ,])-{1,2}[[:alnum:]?][-[:alnum:]]*' | sed -E 's/^[ ,]//' | sort -u
}

# The subcommand names listed under "Subcommands:" in a CLI11 help text on stdin.
help_subcommands() {
    sed -nE '/^Subcommands:/,/^$/s/^ +([a-z][-a-z]*)( .*)?$/\1/p' | sort -u
}

fail=0
problem() {
    echo "FAIL: $*"
    fail=1
}
