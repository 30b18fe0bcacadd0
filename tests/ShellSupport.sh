# Sourced by the end-to-end and reliability scripts: a temporary folder, the program run as a user starts it on
# either system (natively on Linux with its own home, under Wine from a console on Windows), the programs' data
# folders for fixtures, the failure count, and the state of a database as the reliability tool reads it.

failures=0
checks=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# make_temp <name>: a new temporary folder in $tmp.
make_temp() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/tidyquill-$1.XXXXXX")
}

# setup_system <linux|windows> <program> [wine-run]: after make_temp. Gives
#   sep                  the system's path separator
#   home config          Linux: the user's home and configuration folders, inside $tmp
#   roaming local        Windows: the prefix's AppData\Roaming and AppData\Local as Linux paths
#   firefox thunderbird chrome cyberfox    where those programs keep their data on the system (Linux paths)
#   prefs                Tidyquill's preferences file
#   shown <path>         a path as the program takes and prints it
#   run <folder> <arguments...>          runs the program there; fills $out, $err (Linux only) and $rc
#   run_merged <folder> <arguments...>   the same with standard error in $out
# run_env, an array of NAME=value, adds to the Linux program's environment.
setup_system() {
    system=$1
    exe=$(realpath "$2")
    wine_run=${3:+$(realpath "$3")}
    run_env=()
    if [ "$system" = linux ]; then
        sep=/
        home=$tmp/home
        config=$home/.config
        mkdir -p "$config" "$tmp/run"
        chmod 700 "$tmp/run"
        firefox=$home/.mozilla/firefox
        thunderbird=$home/.thunderbird
        chrome=$config/google-chrome
        cyberfox=$home/.8pecxstudios/cyberfox
        prefs=$config/tidyquill/preferences.xml
    else
        sep='\'
        appdata_win=$("$wine_run" cmd /c echo '%APPDATA%' | tr -d '\r')
        localappdata_win=$("$wine_run" cmd /c echo '%LOCALAPPDATA%' | tr -d '\r')
        roaming=$("$wine_run" winepath -u "$appdata_win" | tr -d '\r')
        local=$("$wine_run" winepath -u "$localappdata_win" | tr -d '\r')
        roaming=${roaming%/}
        local=${local%/}
        [ -d "$roaming" ] && [ -d "$local" ] || { echo "cannot find the prefix's AppData: $appdata_win -> $roaming"; exit 1; }
        firefox=$roaming/Mozilla/Firefox
        thunderbird=$roaming/Thunderbird
        chrome=$local/Google/Chrome/User\ Data
        cyberfox=$roaming/8pecxstudios/Cyberfox
        prefs="$roaming/Quartzmoore Software/Tidyquill/preferences.xml"
    fi
}

# The Windows form of a path below the prefix's roaming or local folder, or of any Linux path (Z:).
shown() {
    if [ "$system" = linux ]; then
        printf '%s' "$1"
        return
    fi
    local path=$1
    case "$path" in
    "$roaming"*) path="$appdata_win${path#"$roaming"}" ;;
    "$local"*) path="$localappdata_win${path#"$local"}" ;;
    *) path="Z:$path" ;;
    esac
    printf '%s' "${path//\//\\}"
}

# shown_arguments <arguments...>: the arguments with each absolute path in its shown form, in the array $shown_args.
shown_arguments() {
    shown_args=()
    local arg
    for arg in "$@"; do
        case "$arg" in /*) shown_args+=("$(shown "$arg")") ;; *) shown_args+=("$arg") ;; esac
    done
}

# run_program <errors: apart|merged> <folder> <arguments...>
run_program() {
    local errors=$1 folder=$2
    shift 2
    : >"$tmp/err"
    if [ "$system" = windows ]; then
        # A console program under Wine writes its errors to the one console.
        (cd "$folder" && "$wine_run" --console "$(shown "$exe")" "$@") >"$tmp/out" 2>&1
    elif [ "$errors" = merged ]; then
        (cd "$folder" && linux_program "$@") >"$tmp/out" 2>&1
    else
        (cd "$folder" && linux_program "$@") >"$tmp/out" 2>"$tmp/err"
    fi
    rc=$?
    out=$(cat "$tmp/out")
    err=$(cat "$tmp/err")
}
linux_program() { env HOME="$home" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$tmp/run" "${run_env[@]}" "$exe" "$@"; }
run() { run_program apart "$@"; }
run_merged() { run_program merged "$@"; }

# --- Database state (reliability scripts; they define `tool`, which runs the reliability tool) -------------------

# state <database>: what the tool reads in it, without the path: "bytes <hash>, integrity ok, content ..., N pages".
state() { tool state "$1" | sed 's/.* bytes /bytes /'; }
pages_of() { sed -n 's/.*, \([0-9]*\) pages,.*/\1/p' <<<"$1"; }
content_of() { sed 's/^bytes [0-9a-f]*, //; s/, [0-9]* pages,.*//' <<<"$1"; }

# check_intact <label> <name> <state now> <state before>: integrity ok, and the same rows as before.
check_intact() {
    [[ $3 == *"integrity ok,"* ]] || fail "$1: $2: $3"
    [ "$(content_of "$3")" = "$(content_of "$4")" ] || fail "$1: $2's content changed: $3 / $4"
}
