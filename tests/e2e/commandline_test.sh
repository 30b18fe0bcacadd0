#!/usr/bin/env bash
# End-to-end tests of the command-line mode: the real program, run on fixture profiles whose databases were filled
# and mostly emptied, as a user or a scheduler starts it.
#
#   commandline_test.sh linux   <tidyquill> <engine_helper>
#   commandline_test.sh windows <Tidyquill.exe> <engine_helper.exe> <appbase_probe.exe> <wine-run>
#
# Linux: HOME and XDG_CONFIG_HOME point into a temporary folder. Windows: the program runs under Wine from a console
# (wine-run --console), with the fixtures written into the test prefix's AppData, which this test owns.
set -u
source "$(dirname "$0")/../ShellSupport.sh"
make_temp e2e
setup_system "$1" "$2" "${5:-}"
# Where the programs after the sixteen keep their data on this system: Edge's "User Data" folder, Opera GX's profile
# folder (none on Linux) and the folders of the four programs that keep Firefox's profiles.ini. On Linux LibreWolf
# and Zen are given the configuration-folder places of their newer releases, the others the folders in the home.
if [ "$system" = linux ]; then
    edge=$config/microsoft-edge
    opera_gx=""
    waterfox=$home/.waterfox
    librewolf=$config/librewolf/librewolf
    floorp=$home/.floorp
    zen=$config/zen
    later_folders=()
else
    edge="$local/Microsoft/Edge/User Data"
    opera_gx="$roaming/Opera Software/Opera GX Stable"
    waterfox=$roaming/Waterfox
    librewolf=$roaming/librewolf
    floorp=$roaming/Floorp
    zen=$roaming/zen
    later_folders=("$local/Microsoft" "$roaming/Opera Software" "$waterfox" "$librewolf" "$floorp" "$zen")
fi
helper=$(realpath "$3")
probe=${4:+$(realpath "$4")}
background=()

cleanup() {
    stop_background
    [ "$system" = windows ] && rm -rf "$roaming/Mozilla" "$roaming/Thunderbird" "$local/Google" "$roaming/Quartzmoore Software" \
        "${later_folders[@]}"
    rm -rf "$tmp"
}
trap cleanup EXIT

# Background processes are started with setsid, so that each leads a process group that can be ended as one; they
# are disowned, so that ending them is not reported.
stop_background() {
    for pid in "${background[@]}"; do kill -9 -- "-$pid" 2>/dev/null; done
    background=()
}

remember_background() {
    background+=("$1")
    disown "$1"
}

# --- The two systems ---------------------------------------------------------------------------------------------
# Each gives how to hold the single-instance lock and how to start a process that looks like a running program.
if [ "$system" = linux ]; then
    hold_instance() {
        setsid flock -x "$tmp/run/TIDYQUILLMUTEX.lock" sleep 600 &
        remember_background $!
        sleep 0.5
    }
    running_program=$tmp/portable/firefox
    start_program_named() { # a process whose executable's file name is the program's process name
        mkdir -p "$tmp/portable"
        cp "$helper" "$running_program"
        setsid bash -c 'sleep 600 | exec "$1" wait' _ "$running_program" >/dev/null &
        remember_background $!
        sleep 0.5
    }
else
    rm -rf "$roaming/Mozilla" "$roaming/Thunderbird" "$local/Google" "$roaming/Quartzmoore Software" "${later_folders[@]}"
    hold_instance() {
        setsid "$wine_run" "$(shown "$probe")" "$(shown "$tmp/probe-report")" hold TIDYQUILLMUTEX Tidyquill >/dev/null &
        remember_background $!
        for _ in $(seq 50); do [ -s "$tmp/probe-report" ] && break; sleep 0.2; done
    }
    running_program=$tmp/Mozilla/FIREFOX.EXE
    start_program_named() { # a process whose executable's file name is the program's process name, in other case
        mkdir -p "$tmp/Mozilla"
        cp "$helper" "$running_program"
        setsid bash -c 'sleep 600 | exec "$1" --keep-input "$2" wait' _ "$wine_run" "$(shown "$running_program")" \
            >/dev/null &
        remember_background $!
        sleep 2
    }
fi

# --- Fixtures ---------------------------------------------------------------------------------------------------------

# A database that was filled and then mostly emptied.
fragmented_db() {
    mkdir -p "$(dirname "$1")"
    sqlite3 "$1" "PRAGMA page_size=4096;
        CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT, title TEXT);
        CREATE INDEX moz_places_url ON moz_places (url);
        WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 4000)
        INSERT INTO moz_places SELECT n, 'https://example.org/' || n || '/' || hex(randomblob(20)), hex(randomblob(40)) FROM seq;
        DELETE FROM moz_places WHERE id % 4 <> 0;"
}

make_fixtures() {
    rm -rf "$firefox" "$thunderbird" "$chrome" "$(dirname "$prefs")"
    mkdir -p "$firefox"
    printf '[Profile1]\r\nName=second\r\nIsRelative=1\r\nPath=Profiles/p1.second\r\n\r\n[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/p0.default\r\nDefault=1\r\n\r\n[General]\r\nStartWithLastProfile=1\r\n' \
        >"$firefox/profiles.ini"
    fragmented_db "$firefox/Profiles/p0.default/places.sqlite"
    fragmented_db "$firefox/Profiles/p1.second/places.sqlite"
    mkdir -p "$thunderbird"
    printf '[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/t0.default\n' >"$thunderbird/profiles.ini"
    fragmented_db "$thunderbird/Profiles/t0.default/global-messages-db.sqlite"
    fragmented_db "$chrome/Default/History"
}

ff0=$firefox/Profiles/p0.default
ff1=$firefox/Profiles/p1.second
tb0=$thunderbird/Profiles/t0.default

fingerprint() { find "$firefox" "$thunderbird" "$chrome" -type f -exec md5sum {} + 2>/dev/null | sort; }

# --- Checks -----------------------------------------------------------------------------------------------------------

# expect_lines <name>: compares the program's output with the lines on standard input (not a pipe: the count of
# failures must stay in this shell). A line starting with "~" is a
# regular expression for the whole line; every other line is compared letter for letter. On Linux the "Error:" and
# "Warning:" lines are expected on standard error, in their order, and all others on standard output.
expect_lines() {
    local name=$1 all=() expected=() errors=() actual i
    checks=$((checks + 1))
    mapfile -t all
    for line in "${all[@]}"; do
        if [ "$system" = linux ] && [[ $line == Error:* || $line == Warning:* || $line == "~Error:"* || $line == "~Warning:"* ]]; then
            errors+=("$line")
        else
            expected+=("$line")
        fi
    done
    if [ "$system" = linux ]; then
        compare_lines "$name (standard error)" "$err" "${errors[@]}" || return
    fi
    compare_lines "$name" "$out" "${expected[@]}"
}

# compare_lines <name> <text> <expected lines...>
compare_lines() {
    local name=$1 text=$2 actual i
    shift 2
    local expected=("$@")
    mapfile -t actual <<<"$text"
    [ -z "$text" ] && actual=()
    if [ ${#expected[@]} -ne ${#actual[@]} ]; then
        fail "$name: ${#actual[@]} lines instead of ${#expected[@]}:"$'\n'"$text"
        return 1
    fi
    for i in "${!expected[@]}"; do
        local want=${expected[$i]} got=${actual[$i]}
        if [[ $want == "~"* ]]; then
            [[ $got =~ ^${want:1}$ ]] || { fail "$name: line $((i + 1)) is '$got', expected /${want:1}/"; return 1; }
        else
            [ "$got" = "$want" ] || { fail "$name: line $((i + 1)) is '$got', expected '$want'"; return 1; }
        fi
    done
}

expect_status() {
    checks=$((checks + 1))
    [ "$rc" -eq "$1" ] || fail "$2: exit status $rc, expected $1"
}

expect_unchanged() {
    checks=$((checks + 1))
    [ "$(fingerprint)" = "$before" ] || fail "$1: files changed"
}

# The lines of one profile's compaction, each database named.
profile_lines() { # name path files...
    local name=$1 path=$2
    shift 2
    echo "Optimizing '$name'"
    echo "Path: $(shown "$path")"
    for file in "$@"; do echo "$file..."; done
}

size='[0-9.]+ (bytes|KB|MB)'
total() { echo "~Total: optimized $1 files, new size: $size \\(was $size\\)"; }
optimized() { echo "~Optimized $1 files, new size: $size \\(was $size\\)"; }
completed='~Completed in [0-9]+\.[0-9]{2} seconds'
long_syntax='Error: invalid command line syntax, please run Tidyquill to learn more about its command line'

# What /Firefox:all prints on the fixtures: both Firefox profiles compacted, each with its one database.
firefox_all_lines() {
    echo "Starting optimization"
    profile_lines second "$ff1$sep" places.sqlite
    optimized 1
    profile_lines default "$ff0$sep" places.sqlite
    optimized 1
    total 2
    echo "$completed"
}

make_fixtures

# --- Runs -------------------------------------------------------------------------------------------------------------

# All profiles of one program, compacted for real.
size_before=$(stat -c %s "$ff0/places.sqlite")
run "$tmp" /Firefox:all
firefox_all_lines >"$tmp/expected"
expect_lines "/Firefox:all" <"$tmp/expected"
expect_status 0 "/Firefox:all"
checks=$((checks + 1))
[ "$(stat -c %s "$ff0/places.sqlite")" -lt "$size_before" ] || fail "/Firefox:all: places.sqlite did not shrink"
checks=$((checks + 1))
[ "$(sqlite3 "$ff0/places.sqlite" 'PRAGMA integrity_check; SELECT count(*) FROM moz_places;' | tr '\n' ' ')" = "ok 1000 " ] ||
    fail "/Firefox:all: the compacted database is not intact"

# Program names keep their case; profile names do not. The last argument's profiles come first.
make_fixtures
run "$tmp" /firefox:default /Firefox:DEFAULT /Thunderbird:default
{
    echo "Error: specified program name 'firefox' is invalid"
    echo "Starting optimization"
    profile_lines default "$tb0$sep" global-messages-db.sqlite
    optimized 1
    profile_lines default "$ff0$sep" places.sqlite
    optimized 1
    total 2
    echo "$completed"
} >"$tmp/expected"
expect_lines "names and order" <"$tmp/expected"
expect_status 2 "names and order" # the run completed, but one argument was invalid

# "All" is a profile name; nothing selected at all gives the longer message too, and the status says so.
before=$(fingerprint)
run "$tmp" /Firefox:All Firefox:all /Firefox /Nope:x
{
    echo "Invalid profile specified."
    echo "Error: invalid command line syntax"
    echo "Error: invalid command line syntax"
    echo "Error: specified program name 'Nope' is invalid"
    echo "$long_syntax"
} >"$tmp/expected"
expect_lines "bad arguments" <"$tmp/expected"
expect_status 1 "bad arguments"
expect_unchanged "bad arguments"

# A file or folder named all in the current folder that is no profile's folder: all is the keyword after all.
mkdir -p "$tmp/cwd/all"
run "$tmp/cwd" /Firefox:all
firefox_all_lines >"$tmp/expected"
expect_lines "all in the current folder" <"$tmp/expected"
expect_status 0 "all in the current folder"

# A profile folder selects its profile whatever program the argument names (Windows: other case, no separator).
path_argument=$(shown "$ff1")
[ "$system" = windows ] && path_argument=${path_argument^^}
run "$tmp" "/Chrome:$path_argument"
{
    echo "Starting optimization"
    profile_lines second "$ff1$sep" places.sqlite
    total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "profile by path" <"$tmp/expected"
expect_status 0 "profile by path"

# A relative profile folder, resolved against the current folder.
run "$firefox" "/Firefox:Profiles${sep}p0.default"
{
    echo "Starting optimization"
    profile_lines default "$ff0$sep" places.sqlite
    total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "relative profile path" <"$tmp/expected"

# Chrome's "User Data" profile and its databases chosen by their header.
run "$tmp" /Chrome:Default
{
    echo "Starting optimization"
    profile_lines Default "$chrome"
    echo "History..."
    total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "Chrome" <"$tmp/expected"
expect_status 0 "Chrome"

# The programs after the sixteen, one profile each where the program keeps it, named as any other program is.
fragmented_db "$edge/Default/History"
later_arguments=(/Edge:Default)
if [ -n "$opera_gx" ]; then
    fragmented_db "$opera_gx/History"
    later_arguments+=("/Opera GX:Default")
fi
for folder in "$waterfox" "$librewolf" "$floorp" "$zen"; do
    mkdir -p "$folder"
    printf '[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/x1.default-release\r\n' \
        >"$folder/profiles.ini"
    fragmented_db "$folder/Profiles/x1.default-release/places.sqlite"
done
later_arguments+=(/Waterfox:all /LibreWolf:default-release /Floorp:DEFAULT-RELEASE /Zen:all)
later_databases=("$edge/Default/History" ${opera_gx:+"$opera_gx/History"})
for folder in "$waterfox" "$librewolf" "$floorp" "$zen"; do later_databases+=("$folder/Profiles/x1.default-release/places.sqlite"); done
later_sizes=()
for database in "${later_databases[@]}"; do later_sizes+=("$(stat -c %s "$database")"); done
run "$tmp" "${later_arguments[@]}"
{
    echo "Starting optimization"
    # The last argument's profile comes first.
    for folder in "$zen" "$floorp" "$librewolf" "$waterfox"; do
        profile_lines default-release "$folder/Profiles/x1.default-release$sep" places.sqlite
        optimized 1
    done
    if [ -n "$opera_gx" ]; then
        profile_lines Default "$opera_gx" History
        optimized 1
    fi
    profile_lines Default "$edge"
    echo "History..."
    optimized 1
    total "${#later_databases[@]}"
    echo "$completed"
} >"$tmp/expected"
expect_lines "later programs" <"$tmp/expected"
expect_status 0 "later programs"
for i in "${!later_databases[@]}"; do
    checks=$((checks + 1))
    [ "$(stat -c %s "${later_databases[$i]}")" -lt "${later_sizes[$i]}" ] || fail "later programs: ${later_databases[$i]} did not shrink"
    checks=$((checks + 1))
    [ "$(sqlite3 "${later_databases[$i]}" 'PRAGMA integrity_check; SELECT count(*) FROM moz_places;' | tr '\n' ' ')" = "ok 1000 " ] ||
        fail "later programs: ${later_databases[$i]} is not intact"
done

# A related program running: refused before any file is touched; other programs are not looked for.
make_fixtures
before=$(fingerprint)
start_program_named
run "$tmp" /Thunderbird:all
expect_status 0 "another program running"
run "$tmp" /Thunderbird:all /Firefox:second
{
    echo "Error: some related programs are still running. Please terminate them before running Tidyquill."
    if [ "$system" = linux ]; then
        echo "Running: $running_program"
    else
        echo '~Running: .*\\Mozilla\\FIREFOX\.EXE'
    fi
} >"$tmp/expected"
expect_lines "related program running" <"$tmp/expected"
expect_status 1 "related program running"
make_fixtures
before=$(fingerprint)
run "$tmp" /Firefox:second
expect_unchanged "related program running"

# A second copy does nothing, also with arguments, and says why on its console (standard error on Linux).
hold_instance
run "$tmp" /Firefox:all
checks=$((checks + 1))
if [ "$system" = linux ]; then
    [ "$err" = "Tidyquill is already running." ] || fail "second copy: standard error is '$err'"
    err=""
else
    [ "${out%$'\r'}" = "Tidyquill is already running." ] || fail "second copy: the console shows '$out'"
    out=""
fi
expect_lines "second copy" </dev/null
expect_status 1 "second copy"
expect_unchanged "second copy"
stop_background
sleep 0.5

# A file that could not be compacted: the run completes with a warning, and the status says so.
make_fixtures
{ head -c 100 "$ff0/places.sqlite"; head -c 20000 /dev/urandom; } >"$ff0/broken.sqlite"
run "$tmp" /Firefox:default
checks=$((checks + 1))
grep -q '^Warning: ' <<<"$out"$'\n'"$err" || fail "broken database: no warning line"$'\n'"$out$err"
[ "$system" = linux ] && ! grep -q '^Warning: ' <<<"$out" || [ "$system" = windows ] || fail "broken database: a warning on standard output"
expect_status 2 "broken database"
rm -f "$ff0/broken.sqlite"

# A profile named with terminal escape codes: they reach the terminal as text.
make_fixtures
printf '[Profile0]\nName=evil\033[2J\033]0;x\007\nIsRelative=1\nPath=Profiles/p0.default\n' >"$firefox/profiles.ini"
run "$tmp" /Firefox:all
checks=$((checks + 1))
grep -q $'\033' <<<"$out"$'\n'"$err" && fail "escape codes: an escape character reached the output"
grep -q $'\007' <<<"$out"$'\n'"$err" && fail "escape codes: a bell character reached the output"
grep -qF "Optimizing 'evil\x1b[2J\x1b]0;x\x07'" <<<"$out" || fail "escape codes: the name is not shown as text:"$'\n'"$out"
expect_status 0 "escape codes"

# Linux file names are bytes: a profile folder whose name is no UTF-8 is found and compacted under its real name;
# only the text shown has U+FFFD in place of the bad byte.
if [ "$system" = linux ]; then
    make_fixtures
    latin=$firefox/Profiles/l$'\xfc'
    fragmented_db "$latin/places.sqlite"
    printf '[Profile0]\nName=J\xfcrgen\nIsRelative=1\nPath=Profiles/l\xfc\n' >"$firefox/profiles.ini"
    size_before=$(stat -c %s "$latin/places.sqlite")
    run "$tmp" /Firefox:all
    {
        echo "Starting optimization"
        echo "Optimizing 'J"$'\xef\xbf\xbd'"rgen'"
        echo "Path: $firefox/Profiles/l"$'\xef\xbf\xbd'"/"
        echo "places.sqlite..."
        total 1
        echo "$completed"
    } >"$tmp/expected"
    expect_lines "a folder name that is no UTF-8" <"$tmp/expected"
    expect_status 0 "a folder name that is no UTF-8"
    checks=$((checks + 1))
    [ "$(stat -c %s "$latin/places.sqlite")" -lt "$size_before" ] || fail "a folder name that is no UTF-8: not compacted"
fi

# --- The analysis ----------------------------------------------------------------------------------------------------

# Every file of the fixtures with its size and modification time: the analysis must leave all of it as it was.
times() { find "$firefox" "$thunderbird" "$chrome" -type f -printf '%T@ %s %p\n' 2>/dev/null | sort; }
expect_untouched() {
    expect_unchanged "$1"
    checks=$((checks + 1))
    [ "$(times)" = "$times_before" ] || fail "$1: a file was made, removed or touched"
}
# The lines of one profile's analysis, each database with its figures.
analyzed_lines() { # name path files...
    local name=$1 path=$2
    shift 2
    echo "Analyzing '$name'"
    echo "Path: $(shown "$path")"
    for file in "$@"; do echo "~${file//./\\.}: $size, about $size can be reclaimed"; done
    echo "~Analyzed $# files, $size, about $size can be reclaimed \\([0-9]+%\\)"
}
analysis_total() { echo "~Total: $1 files, $size, about $size can be reclaimed \\([0-9]+%\\)"; }

# Without profile arguments every profile found, in the catalogue's order; nothing is compacted or touched. The
# later programs' profiles made above are removed first, so that the fixtures are all there is.
rm -rf "$edge" ${opera_gx:+"$opera_gx"} "$waterfox" "$librewolf" "$floorp" "$zen"
make_fixtures
before=$(fingerprint)
times_before=$(times)
run "$tmp" --analyze
# Under Wine the other tests of the build share the prefix and may leave a program's folder behind (an empty "brave"
# folder is a profile of its own): the blocks of profiles outside the fixtures' folders are left out, and the total
# may count their files.
if [ "$system" = windows ]; then
    out=$(A="Path: $(shown "$firefox")" B="Path: $(shown "$chrome")" C="Path: $(shown "$thunderbird")" awk '
        /^Analyzing / { block = $0; inside = 1; next }
        inside && /^Path: / { keep = index($0, ENVIRON["A"]) == 1 || index($0, ENVIRON["B"]) == 1 ||
                                     index($0, ENVIRON["C"]) == 1 }
        inside { block = block "\n" $0; if (/^Analyzed /) { if (keep) print block; inside = 0 }; next }
        { print }' <<<"$out")
fi
{
    echo "Starting analysis"
    analyzed_lines second "$ff1$sep" places.sqlite
    analyzed_lines default "$ff0$sep" places.sqlite
    analyzed_lines Default "$chrome" History
    analyzed_lines default "$tb0$sep" global-messages-db.sqlite
    if [ "$system" = windows ]; then
        echo "~Total: [0-9]+ files, $size, about $size can be reclaimed \\([0-9]+%\\)"
    else
        analysis_total 4
    fi
    echo "$completed"
} >"$tmp/expected"
expect_lines "--analyze" <"$tmp/expected"
expect_status 0 "--analyze"
expect_untouched "--analyze"

# Beside a running program, whose files are estimated from their headers alone, and beside a second copy.
start_program_named
hold_instance
run "$tmp" --analyze /Firefox:second
{
    echo "Starting analysis"
    echo "Analyzing 'second'"
    echo "Path: $(shown "$ff1$sep")"
    echo "~places\\.sqlite: $size, about $size can be reclaimed \\(from its header only: 'Firefox' is running\\)"
    echo "~Analyzed 1 files, $size, about $size can be reclaimed \\([0-9]+%\\)"
    analysis_total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "--analyze beside a running program" <"$tmp/expected"
expect_status 0 "--analyze beside a running program"
expect_untouched "--analyze beside a running program"
stop_background
sleep 0.5

# A file that is no database: a warning, the others still estimated, and status 2; no profile selected: status 1.
{ head -c 100 "$ff1/places.sqlite"; head -c 20000 /dev/urandom; } >"$tmp/broken"
cp "$tmp/broken" "$ff1/places.sqlite"
run "$tmp" --analyze /Firefox:all
{
    echo "Starting analysis"
    echo "Analyzing 'second'"
    echo "Path: $(shown "$ff1$sep")"
    echo "~Warning: places\\.sqlite: $size, the file is encrypted or not valid"
    echo "~Analyzed 1 files, $size, about 0 bytes can be reclaimed \\(0%\\)"
    analyzed_lines default "$ff0$sep" places.sqlite
    analysis_total 2
    echo "$completed"
} >"$tmp/expected"
expect_lines "--analyze with a damaged file" <"$tmp/expected"
expect_status 2 "--analyze with a damaged file"
run "$tmp" --analyze /Nope:x
printf '%s\n' "Error: specified program name 'Nope' is invalid" "$long_syntax" >"$tmp/expected"
expect_lines "--analyze with no profile selected" <"$tmp/expected"
expect_status 1 "--analyze with no profile selected"

# Usage text and version: on standard output, status 0, nothing run; the README's table of statuses agrees.
make_fixtures
before=$(fingerprint)
for argument in --help -h '/?'; do
    run "$tmp" "$argument" /Firefox:all
    checks=$((checks + 1))
    grep -q '^Usage: ' <<<"$out" && grep -q '^Exit status:' <<<"$out" || fail "$argument: no usage text:"$'\n'"$out"
    expect_status 0 "$argument"
done
readme=$(dirname "$0")/../../README.md
while IFS= read -r line; do
    checks=$((checks + 1))
    grep -qF -- "$(sed -E 's/^ +([0-9]) +/| \1 | /' <<<"$line")" "$readme" ||
        fail "the README's table has no row for the usage line '$line'"
done < <(grep -E '^  [0-9]  ' <<<"$out" | tr -d '\r')
run "$tmp" --version
checks=$((checks + 1))
[[ $out =~ ^Tidyquill\ [0-9]+(\.[0-9]+)+$ ]] || fail "--version printed '$out'"
expect_status 0 "--version"
expect_unchanged "usage and version"

# Windows: output redirected to a file or a pipe is captured there, every line of it.
if [ "$system" = windows ]; then
    make_fixtures
    run "$tmp" /Firefox:all ">" "$(shown "$tmp/redirected.txt")"
    out=$(tr -d '\r' <"$tmp/redirected.txt")
    firefox_all_lines >"$tmp/expected"
    expect_lines "output redirected to a file" <"$tmp/expected"
    run "$tmp" --version "|" find Tidyquill
    checks=$((checks + 1))
    [[ $out =~ ^Tidyquill\ [0-9]+(\.[0-9]+)+$ ]] || fail "output through a pipe: '$out'"
    # Started without any console, its standard output a file.
    out=$("$wine_run" "$(shown "$exe")" --version 2>&1 | tr -d '\r')
    checks=$((checks + 1))
    [[ $out =~ ^Tidyquill\ [0-9]+(\.[0-9]+)+$ ]] || fail "output without a console: '$out'"
fi

# Names beyond the console's code page appear as they are: on Windows a console is written in its own characters,
# whatever its code page (Wine's console starts with 437; chcp makes it 65001).
run "$tmp" "/Café Привет 中文:x"
printf '%s\n' "Error: specified program name 'Café Привет 中文' is invalid" "$long_syntax" >"$tmp/expected"
expect_lines "names beyond the code page" <"$tmp/expected"
expect_status 1 "names beyond the code page"
if [ "$system" = windows ]; then
    out=$(cd "$tmp" && "$wine_run" --console chcp 65001 '&' "$(shown "$exe")" "/Café Привет 中文:x" 2>&1)
    checks=$((checks + 1))
    [ "$out" = "Active code page: 65001"$'\n'"Error: specified program name 'Café Привет 中文' is invalid"$'\n'"$long_syntax" ] ||
        fail "names on code page 65001: '$out'"
fi

# The preferences: a command-line run writes back what it read (tab-indented), keeping unknown elements and the
# custom profiles, which can be named on the command line by their folder.
mkdir -p "$(dirname "$prefs")" "$tmp/portable/profile"
fragmented_db "$tmp/portable/profile/places.sqlite"
custom=$(shown "$tmp/portable/profile")
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Tidyquill version="1"><Window x="10"/><Profile custom="yes" checked="no" type="Firefox">%s</Profile><Profile custom="no" checked="Yes" type="Firefox">%s</Profile></Tidyquill>\n' \
    "$custom" "$(shown "$ff0$sep")" >"$prefs"
run "$tmp" "/Firefox:$(shown "$tmp/portable/profile")"
{
    echo "Starting optimization"
    profile_lines profile "$tmp/portable/profile" places.sqlite
    total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "custom profile from the preferences" <"$tmp/expected"
expected_prefs=$(printf '<?xml version="1.0" encoding="UTF-8"?>\n<Tidyquill version="1">\n\t<Window x="10"/>\n\t<Profile custom="yes" checked="no" type="Firefox">%s</Profile>\n\t<Profile custom="no" checked="Yes" type="Firefox">%s</Profile>\n</Tidyquill>' \
    "$custom" "$(shown "$ff0$sep")")
checks=$((checks + 1))
[ "$(cat "$prefs")" = "$expected_prefs" ] || fail "preferences changed:"$'\n'"$(cat "$prefs")"

# The analysis finds the custom profiles of the preferences too, and leaves the file alone (not even rewritten).
touch -d '2020-01-01 12:00' "$prefs"
prefs_state=$(stat -c '%Y %s' "$prefs")
run "$tmp" --analyze "/Firefox:$(shown "$tmp/portable/profile")"
{
    echo "Starting analysis"
    analyzed_lines profile "$tmp/portable/profile" places.sqlite
    analysis_total 1
    echo "$completed"
} >"$tmp/expected"
expect_lines "--analyze of a custom profile from the preferences" <"$tmp/expected"
checks=$((checks + 1))
[ "$(stat -c '%Y %s' "$prefs")" = "$prefs_state" ] && [ "$(cat "$prefs")" = "$expected_prefs" ] ||
    fail "--analyze wrote the preferences"

# A preferences file that cannot be read is kept beside the new one, and the command line says so once, at its end.
printf '<Tidyquill version="1"><Profile custom="yes"' >"$prefs"
run "$tmp" /Firefox:second
{
    echo "Starting optimization"
    profile_lines second "$ff1$sep" places.sqlite
    total 1
    echo "$completed"
    echo "Warning: the preferences could not be read and were reset; the old file is kept as $(shown "$prefs").bak"
} >"$tmp/expected"
expect_lines "unreadable preferences" <"$tmp/expected"
checks=$((checks + 1))
[ "$(cat "$prefs.bak")" = '<Tidyquill version="1"><Profile custom="yes"' ] || fail "unreadable preferences: not kept"

echo "$system command line: $checks checks, $failures failed"
[ $failures -eq 0 ]
