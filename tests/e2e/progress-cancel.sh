# A long copy with F5 shows the progress window titled "Copying"; a click on its Cancel
# button stops the copy: the sources stay complete, the target holds only whole copies,
# and one message says how many items were copied before the cancel.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
# Many small entries make a copy of seconds without filling the small test drive.
mkdir -p "$ROOT/src/many" "$ROOT/dst"
(cd "$ROOT/src/many" && seq -f 'f%06g' 1 120000 | xargs touch)
head -c 100000 /dev/urandom >"$ROOT/src/many/data.bin"
e2e_start

e2e_open_src_and_dst
e2e_find many
e2e_keys F5

e2e_wait 20 "the progress window titled Copying" e2e_has_window "Copying"
window="$(e2e_windows_titled "Copying" | head -n 1)"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The Cancel button sits at the window's lower right corner.
xdotool mousemove --window "$window" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
e2e_wait 10 "the progress window to close after Cancel" e2e_has_no_window "Copying"
message_shown() { (($(e2e_windows_titled "Travodex" | wc -l) == 2)); }
e2e_wait 10 "the message box saying what was copied" message_shown
e2e_keys Return

[[ "$(find "$ROOT/src/many" -type f | wc -l)" == 120001 ]] || e2e_fail "sources went missing"
copied="$(find "$ROOT/dst/many" -type f | wc -l)"
((copied < 120001)) || e2e_fail "the copy ran to its end despite Cancel"
if [[ -e "$ROOT/dst/many/data.bin" ]]; then
    cmp -s "$ROOT/src/many/data.bin" "$ROOT/dst/many/data.bin" || e2e_fail "a partial copy stayed"
fi
e2e_log "cancelled after $copied of 120001 files"
e2e_check_healthy
e2e_log "passed"
