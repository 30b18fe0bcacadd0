#!/usr/bin/env bash
# The way to the program on Linux: "cmake --install" puts a working tidyquill into <prefix>/bin, and the Linux-only
# set-up asks for nothing of the Windows build.
#
#   install_test.sh <build folder> <source folder>
set -u
source "$(dirname "$0")/../ShellSupport.sh"
build=$1
source=$2
make_temp install
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 || fail "cmake --install: $(cat "$tmp/install.log")"
[ -x "$tmp/prefix/bin/tidyquill" ] || fail "no executable tidyquill in <prefix>/bin"
version=$(PATH=$tmp/prefix/bin:$PATH HOME=$tmp XDG_CONFIG_HOME=$tmp/config tidyquill --version 2>&1)
[[ $version =~ ^Tidyquill\ [0-9]+(\.[0-9]+)+$ ]] || fail "the installed program printed '$version'"

linux_only=$("$source/scripts/setup" linux --list)
everything=$("$source/scripts/setup" --list)
for package in cmake ninja-build g++ libsqlite3-dev libtinyxml2-dev libgtest-dev sqlite3; do
    grep -qx "$package" <<<"$linux_only" || fail "scripts/setup linux does not ask for $package"
done
grep -E 'wine|mingw|xvfb|npm|wixl' <<<"$linux_only" && fail "scripts/setup linux asks for the Windows build's tools"
grep -q wine64 <<<"$everything" || fail "scripts/setup without linux no longer asks for Wine"

echo "install and set-up: $failures failed"
[ $failures -eq 0 ]
