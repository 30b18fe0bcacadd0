# Sourced by the reliability scripts: a database's state as the reliability tool reads it, and the check that a run
# left it intact. Needs the functions `tool` (runs the reliability tool) and `fail`.

# state <database>: what the tool reads in it, without the path: "bytes <hash>, integrity ok, content ..., N pages".
state() { tool state "$1" | sed 's/.* bytes /bytes /'; }
pages_of() { sed -n 's/.*, \([0-9]*\) pages,.*/\1/p' <<<"$1"; }
content_of() { sed 's/^bytes [0-9a-f]*, //; s/, [0-9]* pages,.*//' <<<"$1"; }

# check_intact <label> <name> <state now> <state before>: integrity ok, and the same rows as before.
check_intact() {
    [[ $3 == *"integrity ok,"* ]] || fail "$1: $2: $3"
    [ "$(content_of "$3")" = "$(content_of "$4")" ] || fail "$1: $2's content changed: $3 / $4"
}
