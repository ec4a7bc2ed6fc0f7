# Helpers for the end-to-end cases, sourced by each case script. A case runs inside a
# private mount namespace on its own X display (see run-case). It mounts a small tmpfs,
# puts a copy of the program into a folder of it, builds its test files there and drives
# the program with xdotool. Because the tmpfs is a drive of its own, both panels start
# at its root, which holds only what the case created.
#
# Variables a case may use after e2e_prepare / e2e_start:
#   ROOT  the tmpfs root (the drive both panels start on)
#   MAIN  the X window id of the main window
#   PID   the process id of the program
#
# A case may set E2E_PROGRAM before e2e_start to start another copy of the program (an
# installed one) than the one e2e_prepare puts into ROOT/app.

set -euo pipefail

E2E_BIN_DIR="${1:?usage: case.sh BIN_DIR [ARTIFACT_DIR]}"
E2E_ARTIFACTS="${2:-${TMPDIR:-/tmp}}"
E2E_NAME="$(basename "$0" .sh)"
ROOT=""
MAIN=""
PID=""
E2E_MOUNTED=0
E2E_RUNTIME=""

e2e_log() { echo "[$E2E_NAME] $*"; }

# Saves what the screen shows, for a failure's diagnosis.
e2e_screenshot() {
    local file="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
    if import -window root "$file" 2>/dev/null; then
        e2e_log "screenshot: $file"
    fi
}

e2e_fail() {
    echo "[$E2E_NAME] FAIL: $*" >&2
    e2e_screenshot failure
    if [[ -n "$ROOT" ]]; then
        echo "[$E2E_NAME] files of the test drive:" >&2
        (cd "$ROOT" && find . -path ./app -prune -o -print | sort) >&2 || true
    fi
    if [[ -n "${E2E_LOG:-}" && -s "$E2E_LOG" ]]; then
        echo "[$E2E_NAME] program output:" >&2
        tail -n 40 "$E2E_LOG" >&2
    fi
    exit 1
}

e2e_skip() {
    echo "[$E2E_NAME] SKIPPED: $*"
    exit 77
}

e2e_cleanup() {
    local status=$?
    if [[ -n "$PID" ]] && kill -0 "$PID" 2>/dev/null; then
        kill "$PID" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$PID" 2>/dev/null || true
        wait "$PID" 2>/dev/null || true
    fi
    cd /
    if [[ $E2E_MOUNTED -eq 1 ]]; then
        umount "$ROOT" || umount -l "$ROOT" || true
    fi
    [[ -n "$ROOT" ]] && rmdir "$ROOT" 2>/dev/null || true
    [[ -n "$E2E_RUNTIME" ]] && rm -rf "$E2E_RUNTIME"
    exit $status
}

# Polls CONDITION (a command) every 0.1 s until it succeeds or SECONDS pass.
e2e_wait() {
    local seconds="$1" what="$2"
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || e2e_fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

# Prints the ids of the visible windows whose title is exactly TITLE. Qt may append
# " — Travodex" (the application's display name) to a window's own title.
e2e_windows_titled() {
    local title="$1" id name
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        name="$(xdotool getwindowname "$id" 2>/dev/null)" || continue
        if [[ "$name" == "$title" || "$name" == "$title — Travodex" ]]; then
            echo "$id"
        fi
    done
}

e2e_has_window() { [[ -n "$(e2e_windows_titled "$1")" ]]; }
e2e_has_no_window() { [[ -z "$(e2e_windows_titled "$1")" ]]; }

# The owner tag the program gives its left-overs for the process id $1 of this host and
# PID namespace: "<PID>.<namespace inode>.<host, 40 characters, others than letters,
# digits, '-' and '_' as '_'>".
e2e_owner_tag() {
    local host
    host="$(hostname)"
    host="${host:0:40}"
    printf '%s.%s.%s' "$1" "$(stat -L -c %i /proc/self/ns/pid)" "${host//[^A-Za-z0-9_-]/_}"
}

e2e_prepare() {
    for tool in xdotool import convert mount; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed (scripts/install-deps)"
    done
    [[ -x "$E2E_BIN_DIR/travodex" ]] || e2e_fail "no program at $E2E_BIN_DIR/travodex"
    trap e2e_cleanup EXIT
    ROOT="$(mktemp -d /tmp/trvx-e2e-XXXXXX)"
    if ! mount -t tmpfs -o size=320m,mode=0755 tmpfs "$ROOT" 2>/dev/null; then
        e2e_skip "cannot mount a tmpfs here (needs root or CAP_SYS_ADMIN)"
    fi
    E2E_MOUNTED=1
    # The program in a folder below the root: the panels must start at the drive's root,
    # not in the program's folder.
    mkdir "$ROOT/app"
    cp "$E2E_BIN_DIR"/{travodex,libziplib.so,libunzlib.so,libtrvx_archives.so,libtrvx_packing.so,Trovel.ini} "$ROOT/app/"

    E2E_RUNTIME="$(mktemp -d /tmp/trvx-e2e-runtime-XXXXXX)"
    chmod 700 "$E2E_RUNTIME"
    export XDG_RUNTIME_DIR="$E2E_RUNTIME"
    # The program keeps its panels' places in the configuration folder: a private one,
    # so that no case starts where another left off.
    export XDG_CONFIG_HOME="$E2E_RUNTIME/config"
    # F5 and F6 copy and move at once, as a case about something else than the copy
    # dialog expects; a case of that dialog calls e2e_ask_copy_target.
    mkdir -p "$XDG_CONFIG_HOME/Travodex/Travodex"
    printf '[Copy]\nAskTarget=false\n' >"$XDG_CONFIG_HOME/Travodex/Travodex/Travodex.conf"
    export QT_QPA_PLATFORM=xcb TRAVODEX_AUDIO=null LANG=C.UTF-8 LC_ALL=C.UTF-8
    # Fusion with its own palette, whatever the desktop: the selection colour is known.
    export QT_STYLE_OVERRIDE=Fusion
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION QT_QPA_PLATFORMTHEME
    # The virtual display takes connections before the program is started on it.
    e2e_wait 20 "the display $DISPLAY to take connections" xdotool getdisplaygeometry
}

# F5 and F6 ask for their target first, as at a first start (before e2e_start).
e2e_ask_copy_target() {
    rm -f "$XDG_CONFIG_HOME/Travodex/Travodex/Travodex.conf"
}

# Starts the program copy (with the arguments given, if any, from the drive's root) and
# waits until its main window is on screen and has the keyboard focus (there is no window
# manager: the focus is given directly).
e2e_start() {
    E2E_LOG="$E2E_ARTIFACTS/$E2E_NAME-program.log"
    [[ -n "$PID" ]] || : >"$E2E_LOG" # a second start of the case adds to the first one's
    (cd "$ROOT" && exec "${E2E_PROGRAM:-$ROOT/app/travodex}" "$@") >>"$E2E_LOG" 2>&1 &
    PID=$!
    e2e_wait 30 "the main window titled Travodex" e2e_has_window "Travodex"
    MAIN="$(e2e_windows_titled "Travodex" | head -n 1)"
    # Both panels are filled when the window is first shown; the left one shows its
    # focused row selected once it is painted.
    e2e_wait 15 "the left panel's first row" e2e_selected_row_y_ok
    e2e_focus "$MAIN"
}

e2e_focus() {
    xdotool mousemove --window "$1" 5 5
    xdotool windowfocus --sync "$1"
}

e2e_running() { kill -0 "$PID" 2>/dev/null; }

# Waits until the program's main thread has handled every input event sent so far: it
# sleeps in the event loop (state S) in several samples in a row. The reader thread
# wakes it for every event, so a sleeping main thread has nothing left to handle.
e2e_idle() {
    local deadline=$((SECONDS + 20)) calm=0 state
    while ((calm < 4)); do
        ((SECONDS < deadline)) || e2e_fail "the program stayed busy for 20 s"
        state="$(sed 's/.*) //' "/proc/$PID/stat" 2>/dev/null | cut -d' ' -f1)"
        [[ -n "$state" ]] || e2e_fail "the program is no longer running"
        if [[ "$state" == S ]]; then calm=$((calm + 1)); else calm=0; fi
        sleep 0.03
    done
}

# Keys for the program; returns when it has handled them. Qt's item views join letters
# typed within its keyboard input interval (400 ms) into one search, so a step also
# leaves more than that between its last key and the next step's first.
e2e_keys() {
    e2e_running || e2e_fail "the program is no longer running"
    xdotool key --delay 40 "$@"
    e2e_idle
    sleep 0.45
}

# Type-ahead in the focused list: moves the focus (and selection) to the first row whose
# name starts with TEXT.
e2e_find() {
    e2e_running || e2e_fail "the program is no longer running"
    xdotool type --delay 40 "$1"
    e2e_idle
    sleep 0.45
}

# Prints the window-relative y of the middle of the selected row in the left half of the
# main window (the left panel), or nothing when no row there is selected. A row counts
# as selected when most of its pixels have the selection colour.
e2e_selected_row_y() {
    local geometry width height shot
    geometry="$(xdotool getwindowgeometry --shell "$MAIN")" || return 0
    width="$(sed -n 's/^WIDTH=//p' <<<"$geometry")"
    height="$(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
    shot="$E2E_RUNTIME/window.png"
    import -window "$MAIN" "$shot" 2>/dev/null || return 0
    convert "$shot" -crop "$((width / 2 - 4))x${height}+0+0" +repage \
        -fuzz 6% -fill black +opaque 'srgb(48,140,198)' -fill white -opaque 'srgb(48,140,198)' \
        -colorspace gray -scale "1x${height}!" -depth 8 txt:- |
        awk 'NR > 1 { split($0, f, /[(,)]/) }  # "0,Y: (V,V,V) ..." or "0,Y: (V) ..."
             NR > 1 && f[3] + 0 > 128 { if (first == "") first = f[2] + 0; last = f[2] + 0 }
             END { if (first != "") print int((first + last) / 2) }'
}

e2e_selected_row_y_ok() {
    [[ -z "$MAIN" ]] && MAIN="$(e2e_windows_titled "Travodex" | head -n 1)"
    [[ -n "$(e2e_selected_row_y)" ]]
}

# Double-clicks the selected row of the left panel with the mouse.
e2e_double_click_selected_left() {
    local y width
    y="$(e2e_selected_row_y)"
    [[ -n "$y" ]] || e2e_fail "no selected row found in the left panel"
    # Right of the name column, so that a click never starts renaming the row.
    width="$(xdotool getwindowgeometry --shell "$MAIN" | sed -n 's/^WIDTH=//p')"
    xdotool mousemove --window "$MAIN" "$((width / 2 - 60))" "$y" click --repeat 2 --delay 80 1
    e2e_idle
}

# Both panels start at the drive's root: the left one opens "src", the right one "dst",
# and the left one has the focus again.
e2e_open_src_and_dst() {
    e2e_find src
    e2e_keys Return
    e2e_keys Tab
    e2e_find dst
    e2e_keys Return
    e2e_keys Tab
}

# With an archive of alpha.txt, data.bin and notes/readme.txt (the files of `content`)
# open in the left panel: copies the first two members into "out" with F5 and checks
# them byte for byte, that nothing else arrived, and that the archive `archive` still
# equals `original`, its copy from before.
e2e_copy_two_members_out() {
    local content="$1" original="$2" archive="$3"
    # The top of the archive, folders first: "..", notes, alpha.txt, data.bin.
    e2e_find alpha
    e2e_keys shift+Down
    e2e_keys Tab
    e2e_find out
    e2e_keys Return
    e2e_keys Tab
    e2e_keys F5
    extracted() { [[ -f "$ROOT/out/alpha.txt" ]] && cmp -s "$content/data.bin" "$ROOT/out/data.bin"; }
    e2e_wait 15 "out/alpha.txt and out/data.bin" extracted
    e2e_same_file "$content/alpha.txt" "$ROOT/out/alpha.txt"
    [[ "$(ls -A "$ROOT/out" | tr '\n' ' ')" == "alpha.txt data.bin " ]] ||
        e2e_fail "out/ holds more or less than the two members"
    e2e_same_file "$original" "$archive"
}

# The program ends the case alive and without a message box (also titled "Travodex").
e2e_check_healthy() {
    e2e_running || e2e_fail "the program ended unexpectedly"
    local count
    count="$(e2e_windows_titled "Travodex" | wc -l)"
    [[ "$count" -eq 1 ]] || e2e_fail "$count windows titled Travodex: a message box is open"
}

e2e_same_file() {
    cmp -s "$1" "$2" || e2e_fail "$2 differs from $1"
}
