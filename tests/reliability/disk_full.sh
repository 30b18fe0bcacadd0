#!/usr/bin/env bash
# Disk full, for real (Linux): the profile folder, SQLite's temporary folder and Tidyquill's own configuration
# folder on a small tmpfs, filled so that "VACUUM" runs out of room at different stages: no room at all, room for
# part of the compacted copy, room for the copy but one page short for the journal or WAL that copies it back, and
# room enough. Every database must come out intact with the same content, untouched (with the program's message)
# or compacted; the run must go on to the next file and complete; nothing may be left behind but what SQLite needs;
# the preferences file must survive a save that finds no room. Every case runs twice: the program compacting one
# file after the other, and both at once, where the outcome and the messages must be the same.
#
#   disk_full.sh <tidyquill> <reliability_tool>
#
# Needs to mount a tmpfs (root); exits with 77 (skipped) where that is not permitted. Ends with the line
# "disk full tmpfs: <N> cases passed" or "... FAILED".
set -u
source "$(dirname "$0")/../ShellSupport.sh"
make_temp diskfull
setup_system linux "$1"
tool=$(realpath "$2")
disk=$tmp/disk
mkdir -p "$disk"
cleanup() {
    mountpoint -q "$disk" && { umount "$disk" 2>/dev/null || umount -l "$disk"; }
    rm -rf "$tmp"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=48m,mode=0755 tidyquill-diskfull "$disk" 2>"$tmp/mount.err"; then
    echo "disk full tmpfs: skipped, cannot mount a tmpfs here ($(head -n1 "$tmp/mount.err"))"
    exit 77
fi

cases=0
# The profile, SQLite's temporary folder and Tidyquill's configuration folder are on the small disk.
profile=$disk/profile
temp=$disk/tmp
config=$disk/config
prefs=$config/tidyquill/preferences.xml
run_env=(SQLITE_TMPDIR="$temp" TMPDIR="$temp")
mkdir -p "$cyberfox"
printf '[Profile0]\nName=disk\nIsRelative=0\nPath=%s\n' "$profile" >"$cyberfox/profiles.ini"

tool() { "$tool" "$@"; }
free_bytes() { echo $(($(stat -f -c '%a * %S' "$disk"))); }

names=(big.sqlite small.sqlite)
declare -A pristine compacted_pages
for mode in rollback wal; do
    mkdir -p "$tmp/pristine/$mode" "$tmp/pristine/$mode-twins"
    "$tool" make "$tmp/pristine/$mode/big.sqlite" 24000000 "$mode" >/dev/null &&
        "$tool" make "$tmp/pristine/$mode/small.sqlite" 600000 "$mode" >/dev/null &&
        "$tool" make "$tmp/pristine/$mode-twins/one.sqlite" 8000000 "$mode" >/dev/null || { echo "cannot make the databases"; exit 1; }
    # Two databases alike, each of which needs as much room to be compacted.
    cp "$tmp/pristine/$mode-twins/one.sqlite" "$tmp/pristine/$mode-twins/two.sqlite"
    for file in "$mode/big.sqlite" "$mode/small.sqlite" "$mode-twins/one.sqlite" "$mode-twins/two.sqlite"; do
        pristine[$file]=$(state "$tmp/pristine/$file")
        compacted_pages[$file]=$("$tool" compacted-pages "$tmp/pristine/$file")
    done
done
page_size=4096

# The preferences as the program writes them; every run must leave them so, whether or not it had room to save.
rm -rf "$profile" "$temp" "$config"
mkdir -p "$profile" "$temp" "$(dirname "$prefs")"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Tidyquill version="1">\n\t<Window x="10"/>\n</Tidyquill>\n' >"$prefs"
run_merged "$tmp" /Cyberfox:disk
cp "$prefs" "$tmp/preferences.xml"

# setup <mode> <free bytes>: fresh copies of the databases and the preferences, the disk filled up to that room.
setup() {
    rm -rf "$profile" "$temp" "$disk/filler"
    mkdir -p "$profile" "$temp"
    cp "$tmp/preferences.xml" "$prefs"
    cp "$tmp/pristine/$1/"*.sqlite "$profile/"
    local filler=$(($(free_bytes) - $2))
    [ $filler -gt 0 ] && fallocate -l "$filler" "$disk/filler"
}

# The least room in which the named databases of a pristine folder (mode, or mode-twins) are compacted: found by
# bisection. The compacted copy grows first (in the temporary folder), the journal or WAL that copies it back after
# it, so one page less than this runs out of room while copying back.
least_room() { # pristine folder, databases
    local folder=$1 low=0 high=1048576 middle name
    shift
    for name; do high=$((high + ${compacted_pages[$folder/$name]} * page_size * 4)); done
    compacted() {
        for name; do
            [ "$(stat -c %s "$profile/$name")" = $((${compacted_pages[$folder/$name]} * page_size)) ] || return 1
        done
    }
    setup "$folder" $high
    run_merged "$tmp" /Cyberfox:disk
    compacted "$@" || { echo -1; return; }
    while [ $((high - low)) -gt $page_size ]; do
        middle=$(((low + high) / 2 / page_size * page_size))
        setup "$folder" $middle
        run_merged "$tmp" /Cyberfox:disk
        if compacted "$@"; then high=$middle; else low=$middle; fi
    done
    echo $high
}

# disk_case <mode> <name> <free bytes> <message> <files expected to fail...>
disk_case() {
    local mode=$1 label="$1 $2$way" room=$3 reason=$4 message="Warning: the file was not compacted: $4"
    shift 4
    local expect_fail=" $* " failures_before=$failures name
    cases=$((cases + 1))
    setup "$mode" "$room"

    run_merged "$tmp" /Cyberfox:disk

    # Each file's line is followed by the message when its compaction failed; the run completes.
    mapfile -t lines <<<"$out"
    local expected=("Starting optimization" "Optimizing 'disk'" "Path: $profile/") order=() i
    for ((i = 3; i < ${#lines[@]}; i++)); do
        [[ ${lines[$i]} == *.sqlite... ]] || continue
        name=${lines[$i]%...}
        order+=("$name")
        expected+=("$name...")
        [[ $expect_fail == *" $name "* ]] && expected+=("$message")
    done
    [ ${#order[@]} -eq 2 ] || fail "$label: the run did not name both files"
    local report=$((${#lines[@]} - 2))
    [[ ${lines[$report]:-} =~ ^Total:\ optimized\ 2\ files ]] && [[ ${lines[$report + 1]:-} =~ ^Completed\ in ]] ||
        fail "$label: the run did not complete"
    [ "$(printf '%s\n' "${lines[@]:0:$report}")" = "$(printf '%s\n' "${expected[@]}")" ] ||
        fail "$label: messages:"$'\n'"$out"
    # A file that was not compacted makes the status 2; the run completed.
    local status=0
    [ -n "${expect_fail// /}" ] && status=2
    [ "$rc" -eq $status ] || fail "$label: exit status $rc, expected $status"

    # Nothing left behind but what SQLite needs: a WAL database whose shared-memory index cannot grow on a disk
    # without a free block keeps its empty WAL and its index file (a few lock bytes, less than one 32 KB region);
    # SQLite removes them at the next use with room.
    local left kept=()
    for name in $(ls -A "$profile"); do
        case "$name" in
        big.sqlite | small.sqlite) ;;
        *-wal | *-shm)
            local size
            size=$(stat -c %s "$profile/$name")
            if [ "$mode" = wal ] && { [ "$size" -eq 0 ] || { [[ $name == *-shm ]] && [ "$size" -lt 32768 ]; }; }; then
                kept+=("$name")
            else
                fail "$label: $name ($(stat -c %s "$profile/$name") bytes) was left behind"
            fi
            ;;
        *) fail "$label: $name was left behind" ;;
        esac
    done
    left=$(ls -A "$temp" | tr '\n' ' ')
    [ -z "$left" ] || fail "$label: the temporary folder holds $left"
    left=$(ls -A "$(dirname "$prefs")" | tr '\n' ' ')
    [ "$left" = "preferences.xml " ] || fail "$label: the preferences folder holds $left"
    cmp -s "$prefs" "$tmp/preferences.xml" || fail "$label: the preferences changed:"$'\n'"$(cat "$prefs")"

    # The databases, read once the disk has room again: intact, the same rows, untouched byte for byte or compacted.
    rm -f "$disk/filler"
    for name in "${names[@]}"; do
        local now was
        now=$(state "$profile/$name")
        was=${pristine[$mode/$name]}
        check_intact "$label" "$name" "$now" "$was"
        if [[ $expect_fail == *" $name "* ]]; then
            [ "${now%%,*}" = "${was%%,*}" ] || fail "$label: $name changed: $now / $was"
        else
            [ "$(pages_of "$now")" = "${compacted_pages[$mode/$name]}" ] || fail "$label: $name was not compacted: $now"
        fi
    done
    left=$(cd "$profile" && ls -A | tr '\n' ' ')
    [ "$left" = "big.sqlite small.sqlite " ] || fail "$label: after the next use the profile folder holds $left"

    if [ $failures -eq $failures_before ]; then
        local note=""
        [ ${#kept[@]} -gt 0 ] && note="; SQLite kept its empty ${kept[*]} until the next use"
        local outcome="every file compacted"
        [ $# -gt 0 ] && outcome="$* not compacted (\"$reason\")"
        echo "disk full $label ($room bytes free): $outcome, the run completed$note"
    fi
}

# twins_case <mode> <free bytes>: two databases alike, in the least room in which they are compacted one after the
# other. Both at once they run out of room together; the one that did is compacted again alone, so both come out
# compacted, and the messages say nothing of it.
twins_case() {
    local mode=$1 folder=$1-twins label="$1 two databases alike, room for one compaction at a time$way" room=$2
    local failures_before=$failures name
    cases=$((cases + 1))
    setup "$folder" "$room"

    run_merged "$tmp" /Cyberfox:disk

    # The files' lines in the file system's order, with nothing between them.
    mapfile -t lines <<<"$out"
    local expected=("Starting optimization" "Optimizing 'disk'" "Path: $profile/")
    [ "$(printf '%s\n' "${lines[@]:0:3}")" = "$(printf '%s\n' "${expected[@]}")" ] && [ ${#lines[@]} -eq 7 ] &&
        [ "$(printf '%s\n' "${lines[@]:3:2}" | sort | tr '\n' ' ')" = "one.sqlite... two.sqlite... " ] &&
        [[ ${lines[5]} =~ ^Total:\ optimized\ 2\ files ]] || fail "$label: messages:"$'\n'"$out"
    [ "$rc" -eq 0 ] || fail "$label: exit status $rc"
    rm -f "$disk/filler"
    for name in one.sqlite two.sqlite; do
        local now
        now=$(state "$profile/$name")
        check_intact "$label" "$name" "$now" "${pristine[$folder/$name]}"
        [ "$(pages_of "$now")" = "${compacted_pages[$folder/$name]}" ] || fail "$label: $name was not compacted: $now"
    done
    local left
    left=$(cd "$profile" && ls -A | tr '\n' ' ')$(ls -A "$temp" | tr '\n' ' ')
    [ "$left" = "one.sqlite two.sqlite " ] || fail "$label: left behind: $left"
    [ $failures -eq $failures_before ] && echo "disk full $label ($room bytes free): both compacted, the run completed"
}

# The program's choice of how many files it compacts at once, made for it (on any disk).
for mode in rollback wal; do
    export TIDYQUILL_TEST_WORKERS=1
    big=$((${compacted_pages[$mode/big.sqlite]} * page_size))
    least=$(least_room $mode big.sqlite)
    twins_least=$(least_room $mode-twins one.sqlite two.sqlite)
    if [ "$least" -le $((big / 4 + page_size)) ]; then
        fail "$mode: the big database is compacted with $least bytes free, less than its compacted copy needs"
        continue
    fi
    for workers in 1 2; do
        export TIDYQUILL_TEST_WORKERS=$workers
        way=""
        [ $workers -gt 1 ] && way=", both files at once"
        if [ $mode = rollback ]; then
            disk_case $mode "no room" 0 "database or disk is full" big.sqlite small.sqlite
        else
            # SQLite cannot extend the WAL's shared-memory index: it answers SQLITE_IOERR_SHMSIZE.
            disk_case $mode "no room" 0 "disk I/O error" big.sqlite small.sqlite
        fi
        disk_case $mode "room for a quarter of the compacted copy" $((big / 4)) "database or disk is full" big.sqlite
        disk_case $mode "room for the copy, one page short for copying it back" $((least - page_size)) \
            "database or disk is full" big.sqlite
        # The least room: the compacted file is committed; "VACUUM" may still run out of room afterwards, while it
        # writes out the rest of its temporary copy, and report a failure for a file that is compacted.
        disk_case $mode "just room enough to commit" "$least" ""
        disk_case $mode "room enough" $((least + 1048576)) ""
        twins_case $mode "$twins_least"
    done
done

if [ $failures -eq 0 ]; then
    echo "disk full tmpfs: $cases cases passed"
else
    echo "disk full tmpfs: FAILED ($failures problems in $cases cases)"
fi
[ $failures -eq 0 ]
