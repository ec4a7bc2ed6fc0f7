# F4 on a text file in a folder opens the text editor titled with the file's full path;
# viewing alone leaves the file as it was. A letter typed at the start and Ctrl+S save
# the file with its own text behind the letter and its CRLF line ends kept, which shows
# that the editor holds this file's text.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir "$ROOT/docs"
printf 'first line\r\nsecond line\r\n' >"$ROOT/docs/readme.txt"
printf 'other\n' >"$ROOT/docs/other.txt"
cp "$ROOT/docs/readme.txt" "$E2E_RUNTIME/readme.txt"
e2e_start

e2e_find docs
e2e_keys Return
e2e_find readme
e2e_keys F4
e2e_wait 15 "an editor window titled $ROOT/docs/readme.txt" e2e_has_window "$ROOT/docs/readme.txt"
e2e_has_no_window "$ROOT/docs/other.txt" || e2e_fail "the unfocused other.txt was opened too"
e2e_same_file "$E2E_RUNTIME/readme.txt" "$ROOT/docs/readme.txt"

editor="$(e2e_windows_titled "$ROOT/docs/readme.txt" | head -n 1)"
e2e_focus "$editor"
e2e_keys X ctrl+s
printf 'Xfirst line\r\nsecond line\r\n' >"$E2E_RUNTIME/expected.txt"
saved() { cmp -s "$E2E_RUNTIME/expected.txt" "$ROOT/docs/readme.txt"; }
e2e_wait 10 "the edited text saved into readme.txt" saved
[[ "$(ls -A "$ROOT/docs" | tr '\n' ' ')" == "other.txt readme.txt " ]] ||
    e2e_fail "the folder holds other files now: $(ls -A "$ROOT/docs")"
e2e_running || e2e_fail "the program ended unexpectedly"
e2e_log "passed"
