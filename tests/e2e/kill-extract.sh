# A program killed with SIGKILL in the middle of extracting a large member leaves no
# partial file under the member's name: the member is extracted into a private folder
# first, then copied into a hidden temporary file that takes the real name only when
# complete. A second run then extracts the member whole and removes the killed run's
# left-over.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v zip >/dev/null || e2e_fail "zip is not installed (scripts/install-deps)"
content="$E2E_RUNTIME/content"
mkdir -p "$content" "$ROOT/zips" "$ROOT/out" "$ROOT/tmp"
# The program's private folders where the case sees them: the kill comes as soon as the
# extraction has begun there, long before anything can be whole.
export TMPDIR="$ROOT/tmp"
# About 19 MB that bzip2 packs into 3 MB and unpacks in about half a second.
seq 1 2500000 >"$content/big.txt"
(cd "$content" && zip -q -Z bzip2 "$ROOT/zips/big.zip" big.txt)

# Opens zips/big.zip in the left panel and out/ in the right one, then presses F5 on
# the member big.txt.
extract_big() {
    e2e_find zips
    e2e_keys Return
    e2e_find big
    e2e_double_click_selected_left
    e2e_find big
    e2e_keys Tab
    e2e_find out
    e2e_keys Return
    e2e_keys Tab
    xdotool key F5
}
extraction_begun() { [[ -n "$(find "$ROOT/tmp" "$ROOT/out" -type f -print -quit)" ]]; }

e2e_start
extract_big
# Killed as soon as anything of the member is on disk: well before its end.
deadline=$((SECONDS + 20))
until extraction_begun; do
    ((SECONDS < deadline)) || e2e_fail "timed out waiting for the extraction to begin"
done
kill -KILL "$PID"
wait "$PID" 2>/dev/null || true
e2e_log "killed during the extraction; out/ held: $(ls -A "$ROOT/out" | tr '\n' ' ')"
if [[ -e "$ROOT/out/big.txt" ]]; then
    e2e_same_file "$content/big.txt" "$ROOT/out/big.txt"
    e2e_fail "the extraction ended before the kill: nothing was tested"
fi
leftover="$(ls -A "$ROOT/out")"
[[ -z "$leftover" || "$leftover" == ".big.txt.trvx$(e2e_owner_tag "$PID")-"??????.part ]] ||
    e2e_fail "the killed run left '$leftover', not its own hidden temporary file"

e2e_start
extract_big
whole() { [[ -f "$ROOT/out/big.txt" ]] && cmp -s "$content/big.txt" "$ROOT/out/big.txt"; }
e2e_wait 30 "out/big.txt, whole" whole
e2e_idle
[[ "$(ls -A "$ROOT/out")" == big.txt ]] ||
    e2e_fail "out/ holds more than big.txt: $(ls -A "$ROOT/out" | tr '\n' ' ')"
e2e_check_healthy
e2e_log "passed"
