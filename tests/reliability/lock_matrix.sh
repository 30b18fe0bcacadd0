#!/usr/bin/env bash
# The lock matrix: the real program runs on a profile of three databases while another process holds the second
# one as a running browser may: a read transaction, an uncommitted write transaction, or locking_mode=EXCLUSIVE,
# each in rollback-journal and in WAL mode; on Windows also a file opened without sharing. Checks the messages,
# the exit status, and that no database changes while it is held. Every case runs twice: the program compacting
# one file after the other, and all three at once, where the messages must be the same and the file after the
# held one, which may have started before the lock was met, is intact and either untouched or compacted.
#
#   lock_matrix.sh linux   <tidyquill> <engine_helper> <reliability_tool>
#   lock_matrix.sh windows <Tidyquill.exe> <engine_helper.exe> <reliability_tool.exe> <wine-run>
#
# Linux: HOME points into a temporary folder. Windows: the programs run under Wine, the fixtures in the prefix's
# AppData (Cyberfox's folder, which this test owns while it runs). Ends with the line
# "lock matrix <system>: <N> cases passed" or "... FAILED".
set -u
source "$(dirname "$0")/../ShellSupport.sh"
make_temp locks
setup_system "$1" "$2" "${5:-}"
helper=$(realpath "$3")
tool=$(realpath "$4")
holder=""
cases=0
program=Cyberfox
data=$cyberfox

# --- The two systems -------------------------------------------------------------------------------------------
if [ "$system" = linux ]; then
    tool() { "$tool" "$@"; }
    start_helper() { "$helper" "$@" >"$tmp/holder.out" 2>&1 & }
else
    # Other tests' preferences are put back as they were.
    [ -f "$prefs" ] && cp "$prefs" "$tmp/preferences.xml"
    tool() {
        shown_arguments "$@"
        "$wine_run" "$(shown "$tool")" "${shown_args[@]}" | tr -d '\r'
    }
    start_helper() {
        shown_arguments "$@"
        "$wine_run" "$(shown "$helper")" "${shown_args[@]}" >"$tmp/holder.out" 2>&1 &
    }
fi

cleanup() {
    stop_holder
    rm -rf "$data"
    if [ "$system" = windows ]; then
        if [ -f "$tmp/preferences.xml" ]; then cp "$tmp/preferences.xml" "$prefs"; else rm -f "$prefs"; fi
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

# --- The holding process ---------------------------------------------------------------------------------------
# It makes the ready file once it holds the database and ends by itself when the file is deleted.
start_holder() { # read|write|exclusive|file <database>
    rm -f "$tmp/ready"
    if [ "$1" = file ]; then
        start_helper hold-file "$2" "$tmp/ready"
    else
        start_helper hold-db "$1" "$2" "$tmp/ready"
    fi
    holder=$!
    for _ in $(seq 300); do
        [ -f "$tmp/ready" ] && return 0
        kill -0 "$holder" 2>/dev/null || break
        sleep 0.1
    done
    fail "the other process could not hold $2: $(cat "$tmp/holder.out")"
    stop_holder
    return 1
}

stop_holder() {
    [ -n "$holder" ] || return 0
    rm -f "$tmp/ready"
    for _ in $(seq 300); do
        kill -0 "$holder" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$holder" 2>/dev/null; then
        fail "the other process did not end"
        kill -9 "$holder" 2>/dev/null
    fi
    wait "$holder" 2>/dev/null
    holder=""
}

# --- Fixtures ----------------------------------------------------------------------------------------------------
profile=$data/Profiles/locks
names=(a.sqlite b.sqlite c.sqlite)
mkdir -p "$data" "$tmp/pristine/rollback" "$tmp/pristine/wal"
printf '[Profile0]\r\nName=locks\r\nIsRelative=1\r\nPath=Profiles/locks\r\n' >"$data/profiles.ini"

declare -A pristine compacted
for mode in rollback wal; do
    for name in "${names[@]}"; do
        file=$tmp/pristine/$mode/$name
        tool make "$file" 1500000 "$mode" >/dev/null || { echo "cannot make $file"; exit 1; }
        pristine[$mode/$name]=$(state "$file")
        compacted[$mode/$name]=$(tool compacted-pages "$file")
    done
done

restore() { # mode
    rm -rf "$profile"
    mkdir -p "$profile"
    cp "$tmp/pristine/$1/"* "$profile/"
}

# The program takes the files in the file system's order; the one it takes second is held, so that one file is
# compacted before the lock is met and one is never reached. A run without a lock tells the order.
restore rollback
run_merged "$tmp" "/$program:locks"
held=$(grep -m2 '\.sqlite\.\.\.$' <<<"$out" | tail -n1)
held=${held%...}
[ "$rc" -eq 0 ] && [ -n "$held" ] || { echo "lock matrix $system: FAILED, a run without locks did not complete:"; echo "$out"; exit 1; }

# --- One case ----------------------------------------------------------------------------------------------------
# lock_case <mode> <how> <expected outcome: locked|cantopen|compacted> <why, for the report>
lock_case() {
    local mode=$1 how=$2 expected=$3 why=$4 name line i
    local label="$mode $how$way"
    local failures_before=$failures
    cases=$((cases + 1))
    restore "$mode"
    start_holder "$how" "$profile/$held" || return

    run_merged "$tmp" "/$program:locks"
    local held_bytes_during
    held_bytes_during=$(md5sum <"$profile/$held")
    stop_holder

    # The messages: the files in the program's order, up to the held one when it gives the profile up.
    mapfile -t lines <<<"$out"
    [ "${lines[0]:-}" = "Starting optimization" ] || fail "$label: first line '${lines[0]:-}'"
    [ "${lines[1]:-}" = "Optimizing 'locks'" ] || fail "$label: second line '${lines[1]:-}'"
    [ "${lines[2]:-}" = "Path: $(shown "$profile")$sep" ] || fail "$label: third line '${lines[2]:-}'"
    local order=() rest=()
    for ((i = 3; i < ${#lines[@]}; i++)); do
        line=${lines[$i]}
        if [[ $line == *.sqlite... ]]; then order+=("${line%...}"); else rest+=("$line"); fi
    done
    case "$expected" in
    locked | cantopen)
        local message="Error: the file is locked. Seems like related program ('$program') is still running"
        [ "$expected" = cantopen ] && message="Error: SQLITE_CANTOPEN. Seems like related program ('$program') is still running"
        [ "${order[-1]:-}" = "$held" ] || fail "$label: the run went on after the held file: ${order[*]}"
        [ ${#rest[@]} -eq 2 ] && [ "${rest[0]}" = "$message" ] && [ "${rest[1]}" = "Operation not completed" ] ||
            fail "$label: messages after the files:"$'\n'"$(printf '%s\n' "${rest[@]}")"
        [ "${lines[-2]}" = "$message" ] || fail "$label: the message does not follow the held file's line"
        [ "$rc" -eq 1 ] || fail "$label: exit status $rc"
        ;;
    compacted)
        [ ${#order[@]} -eq 3 ] || fail "$label: not every file was compacted: ${order[*]}"
        [ ${#rest[@]} -eq 2 ] && [[ ${rest[0]} =~ ^Total:\ optimized\ 3\ files,\ new\ size:\ .*\(was\ .*\)$ ]] &&
            [[ ${rest[1]} =~ ^Completed\ in\ [0-9]+\.[0-9]{2}\ seconds$ ]] ||
            fail "$label: the run's report:"$'\n'"$(printf '%s\n' "${rest[@]}")"
        [ "$rc" -eq 0 ] || fail "$label: exit status $rc"
        ;;
    esac

    # The files: intact, the same rows; compacted if the program reached them and was not stopped by the lock,
    # byte for byte as before otherwise, also while it was held.
    local pristine_held
    pristine_held=$(md5sum <"$tmp/pristine/$mode/$held")
    if [ "$expected" != compacted ] && [ "$held_bytes_during" != "$pristine_held" ]; then
        fail "$label: $held changed while it was held"
    fi
    local -A before_held=()
    local after_held=()
    if [ "$expected" != compacted ]; then
        for name in "${order[@]}"; do
            [ "$name" = "$held" ] && break
            before_held[$name]=1
        done
    fi
    for name in "${names[@]}"; do
        local now was
        now=$(state "$profile/$name")
        was=${pristine[$mode/$name]}
        check_intact "$label" "$name" "$now" "$was"
        if [ "$expected" = compacted ] || [ -n "${before_held[$name]:-}" ]; then
            [ "$(pages_of "$now")" = "${compacted[$mode/$name]}" ] ||
                fail "$label: $name not compacted: $(pages_of "$now") pages, a compacted copy has ${compacted[$mode/$name]}"
        elif [ "$TIDYQUILL_TEST_WORKERS" -gt 1 ] && [ "$name" != "$held" ] &&
            [ "$(pages_of "$now")" = "${compacted[$mode/$name]}" ]; then
            after_held+=("$name compacted") # started beside the held file before the lock was met, and finished
        else
            [ "${now%%,*}" = "${was%%,*}" ] || fail "$label: $name changed: $now / $was"
            [ "$name" != "$held" ] && after_held+=("$name untouched")
        fi
    done
    local left
    left=$(ls -A "$profile" | tr '\n' ' ')
    [ "$left" = "a.sqlite b.sqlite c.sqlite " ] || fail "$label: the profile folder holds $left"

    if [ $failures -eq $failures_before ]; then
        local done_first=("${!before_held[@]}")
        if [ "$expected" = compacted ]; then
            echo "lock $label: all 3 files compacted, as expected ($why)"
        else
            echo "lock $label: $expected at $held after compacting ${done_first[*]:-nothing} (after it: ${after_held[*]:-nothing}), as expected ($why)"
        fi
    else
        echo "  the program wrote:"
        echo "$out"
    fi
}

# The program's choice of how many files it compacts at once, made for it (on any disk).
for workers in 1 3; do
    export TIDYQUILL_TEST_WORKERS=$workers
    way=""
    [ $workers -gt 1 ] && way=", three files at once"
    lock_case rollback read locked "a reader's shared lock keeps VACUUM from taking the exclusive lock it needs"
    lock_case rollback write locked "a writer's reserved lock"
    lock_case rollback exclusive locked "locking_mode=EXCLUSIVE keeps the exclusive lock"
    lock_case wal read compacted "a WAL reader keeps its snapshot while the writer commits; SQLite lets VACUUM through and the last connection's checkpoint shrinks the file"
    lock_case wal write locked "a WAL writer holds the write lock"
    lock_case wal exclusive locked "locking_mode=EXCLUSIVE in WAL mode locks the file itself"
    if [ "$system" = windows ]; then
        lock_case rollback file cantopen "the file is open elsewhere without sharing"
        lock_case wal file cantopen "the file is open elsewhere without sharing"
    fi
done

if [ $failures -eq 0 ]; then
    echo "lock matrix $system: $cases cases passed"
else
    echo "lock matrix $system: FAILED ($failures problems in $cases cases)"
fi
[ $failures -eq 0 ]
