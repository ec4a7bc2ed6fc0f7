# A member copied out of an archive onto a name taken in the target folder asks first:
# F5 on data.bin of zips/pack.zip, whose name out/ holds, shows the question, and Alt+R
# (Replace) puts the member over the old file; F5 on b.txt of tars/t.tar.gz, Alt+E
# (Rename), brings it as "b (2).txt" beside the old b.txt, which stays as it was.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v zip >/dev/null || e2e_fail "zip is not installed (scripts/install-deps)"
content="$E2E_RUNTIME/content"
mkdir -p "$content" "$ROOT/zips" "$ROOT/tars" "$ROOT/out"
head -c 100000 /dev/urandom >"$content/data.bin"
printf 'member b\n' >"$content/b.txt"
(cd "$content" && zip -q -D "$ROOT/zips/pack.zip" data.bin && tar -czf "$ROOT/tars/t.tar.gz" b.txt)
printf 'the old data\n' >"$ROOT/out/data.bin"
printf 'the old b\n' >"$ROOT/out/b.txt"
cp "$ROOT/out/b.txt" "$E2E_RUNTIME/old-b.txt"
e2e_start

# Answers the question about a taken name with KEYS, once it is on screen.
answer() {
    e2e_wait 15 "the question about a taken name" e2e_has_window "Name taken"
    e2e_focus "$(e2e_windows_titled "Name taken" | head -n 1)"
    e2e_keys "$@"
    e2e_wait 15 "the question to close" e2e_has_no_window "Name taken"
    e2e_focus "$MAIN"
}

e2e_keys Tab
e2e_find out
e2e_keys Return
e2e_keys Tab
e2e_find zips
e2e_keys Return
e2e_find pack
e2e_keys Return
e2e_find data
e2e_keys F5
answer alt+r
replaced() { cmp -s "$content/data.bin" "$ROOT/out/data.bin"; }
e2e_wait 15 "out/data.bin replaced by the member" replaced

e2e_keys BackSpace # back to zips/
e2e_keys BackSpace # back to the root
e2e_find tars
e2e_keys Return
e2e_find t.tar
e2e_keys Return
e2e_find b
e2e_keys F5
answer alt+e
renamed() { [[ -f "$ROOT/out/b (2).txt" ]]; }
e2e_wait 15 "out/b (2).txt" renamed
e2e_same_file "$content/b.txt" "$ROOT/out/b (2).txt"
e2e_same_file "$E2E_RUNTIME/old-b.txt" "$ROOT/out/b.txt"
[[ "$(ls "$ROOT/out" | tr '\n' '|')" == "b (2).txt|b.txt|data.bin|" ]] ||
    e2e_fail "out/ holds more or less than b.txt, b (2).txt and data.bin"
e2e_check_healthy
e2e_log "passed"
