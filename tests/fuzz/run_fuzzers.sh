#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for the given time, one after the other on one core, each on
# a copy of its committed corpus (what a run finds is not added to the repository). Prints one line per target:
#   fuzz <target>: <N> executions in <S> s, no finding
# or, when a target crashes, hangs, leaks or breaks a property, the line names the reproducer kept under
# build/fuzz/findings/<target>/ and the script exits non-zero after the other targets have run.
#
# Usage: tests/fuzz/run_fuzzers.sh <seconds per target> [target...]
#        targets: ini command_line preferences sqlite_header (default: all)
# Reproduce a finding: build/fuzz/tests/fuzz/fuzz_<target> <reproducer>
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

seconds=${1:-}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 <seconds per target> [target...]" >&2
    exit 2
fi
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini command_line preferences sqlite_header)

build=$root/build/fuzz
if ! { [ -f "$build/CMakeCache.txt" ] || cmake --preset fuzz >"$build.configure.log" 2>&1; }; then
    echo "fuzz: cannot configure the fuzz preset (see $build.configure.log)" >&2
    exit 1
fi
if ! cmake --build --preset fuzz -j 2 >"$build/build.log" 2>&1; then
    tail -n 30 "$build/build.log" >&2
    echo "fuzz: the build failed (see $build/build.log)" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tidyquill-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/logs"
status=0

for target in "${targets[@]}"; do
    binary=$build/tests/fuzz/fuzz_$target
    corpus=$root/tests/fuzz/corpus/$target
    if [ ! -x "$binary" ] || [ ! -d "$corpus" ]; then
        echo "fuzz $target: no such target"
        status=1
        continue
    fi
    findings=$build/findings/$target
    mkdir -p "$findings" "$work/$target/corpus" "$work/$target/tmp"
    cp -r "$corpus/." "$work/$target/corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1
             -artifact_prefix="$findings/")
    [ -f "$root/tests/fuzz/$target.dict" ] && options+=(-dict="$root/tests/fuzz/$target.dict")
    log=$build/logs/$target.log
    before=$(ls -1 "$findings" | wc -l)

    start=$(date +%s.%N)
    # The target's own scratch files go to a folder of this run, so a crash leaves nothing behind in /tmp.
    TMPDIR=$work/$target/tmp "$binary" "${options[@]}" "$work/$target/corpus" >"$log" 2>&1
    rc=$?
    end=$(date +%s.%N)

    elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", b - a }')
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    [ -n "$executions" ] || executions=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
    [ -n "$executions" ] || executions=0
    reproducer=$(ls -1t "$findings" 2>/dev/null | head -n 1)
    if [ "$rc" -eq 0 ] && [ "$(ls -1 "$findings" | wc -l)" -eq "$before" ]; then
        echo "fuzz $target: $executions executions in $elapsed s, no finding"
    else
        status=1
        if [ -n "$reproducer" ] && [ "$(ls -1 "$findings" | wc -l)" -gt "$before" ]; then
            echo "fuzz $target: FINDING after $executions executions in $elapsed s: $findings/$reproducer (log: $log)"
        else
            echo "fuzz $target: FAILED (exit $rc) after $executions executions in $elapsed s, no reproducer (log: $log)"
        fi
    fi
done
exit $status
