# The about box: opened from the menu "?" -> "About..." with the keyboard, closed with a
# mouse click on its Close button, opened again and closed with Esc.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
e2e_start

open_about() {
    e2e_focus "$MAIN"
    # Alt alone puts the menu bar in keyboard mode on its first menu; Left wraps to the
    # last one, "?", whose only item is "About...".
    e2e_keys alt
    e2e_keys Left
    e2e_keys Down
    e2e_keys Return
    e2e_wait 10 "the about box titled Information" e2e_has_window "Information"
}

e2e_has_no_window "Information" || e2e_fail "the about box is open at start"
open_about
box="$(e2e_windows_titled "Information" | head -n 1)"
# The Close button sits at the box's lower right corner (260,145 sized 75x25 in a box
# 340 wide), scaled with the desktop font as the whole box is.
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove --window "$box" $((297 * WIDTH / 340)) $((157 * WIDTH / 340)) click 1
e2e_wait 10 "the about box to close after a click on Close" e2e_has_no_window "Information"
e2e_running || e2e_fail "the program ended with the about box"

open_about
box="$(e2e_windows_titled "Information" | head -n 1)"
e2e_focus "$box"
e2e_keys Escape
e2e_wait 10 "the about box to close after Esc" e2e_has_no_window "Information"
e2e_check_healthy
e2e_log "passed"
