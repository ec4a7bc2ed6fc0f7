# Start-up places: the program started with a folder and a file (relative paths, from the
# drive's root) shows the folder on the left and the file's folder on the right with the
# cursor on the file; F4 proves where each panel is. Closed by a quit signal and started
# again without arguments, it comes back to the same places with the same cursors.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir "$ROOT/left" "$ROOT/right"
printf 'only on the left\n' >"$ROOT/left/lonely.txt"
for name in a b c; do printf '%s\n' "$name" >"$ROOT/right/$name.txt"; done

editors_of() { e2e_windows_titled "$1" | wc -l; }
editors_are() { [[ "$(editors_of "$1")" -eq "$2" ]]; }

# Both panels are where they should be: the left one finds lonely.txt, the right one
# has its cursor on b.txt without a key to move it there.
check_places() {
    e2e_find lonely
    e2e_keys F4
    e2e_wait 15 "an editor of left/lonely.txt" editors_are "$ROOT/left/lonely.txt" 1
    e2e_focus "$MAIN"
    e2e_keys Tab
    e2e_keys F4
    e2e_wait 15 "an editor of right/b.txt" editors_are "$ROOT/right/b.txt" 1
    e2e_focus "$MAIN"
}

e2e_start left right/b.txt
check_places

kill -TERM "$PID"
e2e_wait 15 "the first run to end" bash -c "! kill -0 $PID 2>/dev/null"
wait "$PID" 2>/dev/null || true
[[ -n "$(find "$XDG_CONFIG_HOME" -name Panels.ini -size +0)" ]] || e2e_fail "the panels were not kept"
e2e_wait 15 "the editors to go with the program" editors_are "$ROOT/right/b.txt" 0

e2e_start
check_places
e2e_check_healthy
e2e_log "passed"
