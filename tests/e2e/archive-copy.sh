# Opening an archive with a mouse double click and copying members out with F5: the
# left panel opens zips/pack.zip, the right one out/; two members are selected and
# copied; they arrive byte for byte, the third member does not, the archive is unchanged.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v zip >/dev/null || e2e_fail "zip is not installed (scripts/install-deps)"
content="$E2E_RUNTIME/content"
mkdir -p "$content/notes" "$ROOT/zips" "$ROOT/out"
printf 'alpha member\n' >"$content/alpha.txt"
head -c 100000 /dev/urandom >"$content/data.bin"
printf 'left inside\n' >"$content/notes/readme.txt"
(cd "$content" && zip -q -D "$ROOT/zips/pack.zip" alpha.txt data.bin notes/readme.txt)
cp "$ROOT/zips/pack.zip" "$E2E_RUNTIME/pack.zip"
e2e_start

e2e_find zips
e2e_keys Return
e2e_find pack
e2e_double_click_selected_left
e2e_copy_two_members_out "$content" "$E2E_RUNTIME/pack.zip" "$ROOT/zips/pack.zip"
e2e_check_healthy
e2e_log "passed"
