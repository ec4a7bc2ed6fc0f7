# A logout or shutdown (SIGTERM, SIGHUP) ends the program cleanly: no question is left
# waiting for an answer, the folders of extracted archive members go, the user's files
# stay as they were. A start removes the extracted-copy folders of a run that no longer
# exists and keeps those of a running one.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v zip >/dev/null || e2e_fail "zip is not installed (scripts/install-deps)"
export TMPDIR="$E2E_RUNTIME/tmp"
mkdir "$TMPDIR"
sleep 0 &
dead=$!
wait "$dead"
dead="$(e2e_owner_tag "$dead")" alive="$(e2e_owner_tag $$)"
mkdir "$TMPDIR/TRVX-$dead-Stale1" "$TMPDIR/TRVX-$alive-Alive1"
printf 'left by a killed run\n' >"$TMPDIR/TRVX-$dead-Stale1/old.txt"
printf 'in use\n' >"$TMPDIR/TRVX-$alive-Alive1/used.txt"
mkdir "$ROOT/docs" "$E2E_RUNTIME/content"
printf 'draft\r\n' >"$ROOT/docs/draft.txt"
printf 'inside the archive\n' >"$E2E_RUNTIME/content/notes.txt"
(cd "$E2E_RUNTIME/content" && zip -q "$ROOT/docs/pack.zip" notes.txt)
cp "$ROOT/docs/draft.txt" "$E2E_RUNTIME/draft.txt"

# The folders of extracted copies other than the running case's own.
copies() { find "$TMPDIR" -mindepth 1 -maxdepth 1 -name 'TRVX-*' ! -name "TRVX-$alive-*" | sort; }
ended() {
    local state
    state="$(sed 's/.*) //' "/proc/$PID/stat" 2>/dev/null | cut -d' ' -f1)"
    [[ -z "$state" || "$state" == Z ]]
}
# In docs/, opens pack.zip's notes.txt with F4; its extracted copy is then on disk.
edit_member() {
    e2e_find pack
    e2e_double_click_selected_left
    e2e_find notes
    e2e_keys F4
    e2e_wait 15 "the member's extracted copy" test -n "$(copies)"
    # The member's editor is titled by the member and its archive.
    e2e_wait 15 "an editor on pack.zip's notes.txt" e2e_has_window "notes.txt in pack.zip"
}
# Sends SIGNAL and waits for a clean end (status 0) with no extracted copy left.
quit_with() {
    kill -"$1" "$PID"
    e2e_wait 20 "the program to end after SIG$1" ended
    local status=0
    wait "$PID" || status=$?
    PID=""
    [[ $status -eq 0 ]] || e2e_fail "the program ended with status $status after SIG$1"
    [[ -z "$(copies)" ]] || e2e_fail "extracted copies left after SIG$1: $(copies)"
}

e2e_start
[[ ! -e "$TMPDIR/TRVX-$dead-Stale1" ]] || e2e_fail "the dead run's folder is still there"
[[ -f "$TMPDIR/TRVX-$alive-Alive1/used.txt" ]] || e2e_fail "a running process's folder went"

# A modified text in an editor must not hold the end up with its question.
e2e_find docs
e2e_keys Return
e2e_find draft
e2e_keys F4
e2e_wait 15 "an editor on draft.txt" e2e_has_window "$ROOT/docs/draft.txt"
e2e_focus "$(e2e_windows_titled "$ROOT/docs/draft.txt" | head -n 1)"
e2e_keys X
e2e_focus "$MAIN"
edit_member
quit_with TERM
e2e_same_file "$E2E_RUNTIME/draft.txt" "$ROOT/docs/draft.txt"

e2e_start
e2e_find docs
e2e_keys Return
edit_member
quit_with HUP
[[ -f "$TMPDIR/TRVX-$alive-Alive1/used.txt" ]] || e2e_fail "a running process's folder went"
e2e_log "passed"
