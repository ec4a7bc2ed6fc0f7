# Tabs with the keys as the X server sends them: Ctrl+T opens a second tab, the path line
# takes it to another folder, and Ctrl+Shift+Tab (which X reports as Backtab) steps back
# to the first tab; F4 then proves which folder the panel shows.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir "$ROOT/first" "$ROOT/second"
printf 'first\n' >"$ROOT/first/in-first.txt"
printf 'second\n' >"$ROOT/second/in-second.txt"

e2e_start first
e2e_keys ctrl+t
e2e_keys ctrl+l
e2e_find "$ROOT/second"
e2e_keys Return
e2e_find in-second
e2e_keys F4
e2e_wait 15 "an editor of second/in-second.txt" e2e_has_window "$ROOT/second/in-second.txt"
e2e_focus "$MAIN"

e2e_keys ctrl+shift+Tab
e2e_find in-first
e2e_keys F4
e2e_wait 15 "an editor of first/in-first.txt after Ctrl+Shift+Tab" \
    e2e_has_window "$ROOT/first/in-first.txt"
e2e_check_healthy
e2e_log "passed"
