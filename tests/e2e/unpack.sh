# Unpacking with Alt+F9 and testing with Alt+Shift+F9: the left panel shows tars/ with
# the cursor on pack.tar.gz, the right one out/; Alt+F9 and Enter in the dialog unpack
# the whole archive, folders kept, into out/, byte for byte; Ctrl+Z removes it again but
# for a file changed since; Alt+Shift+F9 on a damaged
# ZIP opens the report naming the damaged member.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
content="$E2E_RUNTIME/content"
mkdir -p "$content/notes/deeper" "$content/empty" "$ROOT/tars" "$ROOT/out"
printf 'alpha member\n' >"$content/alpha.txt"
head -c 100000 /dev/urandom >"$content/data.bin"
printf 'inside\n' >"$content/notes/deeper/readme.txt"
(cd "$content" && tar -czf "$ROOT/tars/pack.tar.gz" alpha.txt data.bin notes empty)
head -c 65536 /dev/zero | tr '\0' 'z' >"$content/zeds.txt"
(cd "$content" && zip -q0 "$ROOT/tars/bad.zip" alpha.txt zeds.txt)
printf 'x' | dd of="$ROOT/tars/bad.zip" bs=1 seek=30000 conv=notrunc status=none
e2e_start

e2e_find tars
e2e_keys Return
e2e_find pack
e2e_keys Tab
e2e_find out
e2e_keys Return
e2e_keys Tab
e2e_keys alt+F9
e2e_wait 10 "the Unpack dialog" e2e_has_window "Unpack"
e2e_screenshot dialog
e2e_keys Return
unpacked() { [[ -f "$ROOT/out/notes/deeper/readme.txt" ]] && diff -r "$content/notes" "$ROOT/out/notes" >/dev/null; }
e2e_wait 15 "out/notes/deeper/readme.txt" unpacked
e2e_same_file "$content/alpha.txt" "$ROOT/out/alpha.txt"
e2e_same_file "$content/data.bin" "$ROOT/out/data.bin"
[[ -d "$ROOT/out/empty" ]] || e2e_fail "the empty folder was not unpacked"
[[ "$(ls -A "$ROOT/out" | tr '\n' ' ')" == "alpha.txt data.bin empty notes " ]] ||
    e2e_fail "out/ holds more or less than the archive"

# Ctrl+Z takes the unpack back, all but the file changed since.
printf 'changed\n' >>"$ROOT/out/alpha.txt"
e2e_focus "$MAIN"
e2e_keys ctrl+z
undone() { [[ "$(ls -A "$ROOT/out" | tr '\n' ' ')" == "alpha.txt " ]]; }
e2e_wait 15 "the undo to leave only the changed alpha.txt" undone
# The message saying that the changed file stays (titled as the main window).
titled() { [[ "$(e2e_windows_titled "Travodex" | wc -l)" -eq "$1" ]]; }
e2e_wait 10 "the message about alpha.txt" titled 2
e2e_keys Return
e2e_wait 10 "the message to close" titled 1
e2e_focus "$MAIN"
e2e_find bad
e2e_keys alt+shift+F9
e2e_wait 15 "the test report" e2e_has_window "Test archives"
e2e_screenshot report
e2e_keys Escape
e2e_wait 10 "the report to close" e2e_has_no_window "Test archives"
e2e_check_healthy
e2e_log "passed"
