# The desktop clipboard both ways, with a second program standing in for another file
# manager (trvx-clipboard-peer): Ctrl+C in the program, and the other program reads the
# files' URIs; the other program copies, and Ctrl+V copies the file byte for byte; the
# other program cuts, and Ctrl+V moves the file and empties the clipboard.
source "$(dirname "$0")/e2e-lib.sh"

PEER="$E2E_BIN_DIR/trvx-clipboard-peer"
[[ -x "$PEER" ]] || e2e_fail "no $PEER (build the target trvx_clipboard_peer)"
e2e_prepare
mkdir -p "$ROOT/src" "$ROOT/dst" "$ROOT/other"
printf 'copied by keys\n' >"$ROOT/src/mine file.txt"
head -c 300000 /dev/urandom >"$ROOT/other/theirs.bin"
cp "$ROOT/other/theirs.bin" "$ROOT/theirs.orig"
printf 'cut elsewhere\n' >"$ROOT/other/moved.txt"
e2e_start
e2e_open_src_and_dst

# From the program to the other one.
e2e_find mine
e2e_keys ctrl+c
expected_uri="file://$ROOT/src/mine%20file.txt"
uris="$("$PEER" get text/uri-list | tr -d '\r')" || e2e_fail "the other program read no URI list"
[[ "$uris" == "$expected_uri" ]] || e2e_fail "the URI list was \"$uris\""
gnome="$("$PEER" get x-special/gnome-copied-files)" || e2e_fail "no GNOME list"
[[ "$gnome" == "copy"$'\n'"$expected_uri" ]] || e2e_fail "the GNOME list was \"$gnome\""

# From the other program into the right panel ("dst").
peer_out="$E2E_RUNTIME/peer.out"
"$PEER" copy "$ROOT/other/theirs.bin" >"$peer_out" 2>&1 &
peer=$!
e2e_wait 15 "the other program to hold the clipboard" grep -q ready "$peer_out"
e2e_keys Tab
e2e_keys ctrl+v
arrived() { cmp -s "$ROOT/dst/theirs.bin" "$ROOT/theirs.orig"; }
e2e_wait 15 "theirs.bin in dst/, byte for byte" arrived
cmp -s "$ROOT/other/theirs.bin" "$ROOT/theirs.orig" || e2e_fail "the copy changed its source"
kill "$peer" 2>/dev/null || true
wait "$peer" 2>/dev/null || true

# A cut in the other program: the paste moves, and the clipboard is emptied.
"$PEER" cut "$ROOT/other/moved.txt" >"$peer_out" 2>&1 &
peer=$!
e2e_wait 15 "the other program to hold the clipboard" grep -q ready "$peer_out"
e2e_keys ctrl+v
moved() { [[ -f "$ROOT/dst/moved.txt" && ! -e "$ROOT/other/moved.txt" ]]; }
e2e_wait 15 "moved.txt moved from other/ to dst/" moved
[[ "$(cat "$ROOT/dst/moved.txt")" == "cut elsewhere" ]] || e2e_fail "dst/moved.txt has other content"
e2e_wait 15 "the other program to lose the clipboard" grep -q released "$peer_out"
wait "$peer" || e2e_fail "the other program ended with $?"
e2e_check_healthy
e2e_log "passed"
