# Opening a .tar.xz with Enter and copying members out with F5: the left panel opens
# tars/pack.tar.xz, the right one out/; two members are selected and copied; they arrive
# byte for byte, the third member does not, the archive is unchanged.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v xz >/dev/null || e2e_fail "xz is not installed (scripts/install-deps)"
content="$E2E_RUNTIME/content"
mkdir -p "$content/notes" "$ROOT/tars" "$ROOT/out"
printf 'alpha member\n' >"$content/alpha.txt"
head -c 100000 /dev/urandom >"$content/data.bin"
printf 'left inside\n' >"$content/notes/readme.txt"
(cd "$content" && tar -cJf "$ROOT/tars/pack.tar.xz" alpha.txt data.bin notes)
cp "$ROOT/tars/pack.tar.xz" "$E2E_RUNTIME/pack.tar.xz"
e2e_start

e2e_find tars
e2e_keys Return
e2e_find pack
e2e_keys Return
e2e_copy_two_members_out "$content" "$E2E_RUNTIME/pack.tar.xz" "$ROOT/tars/pack.tar.xz"
e2e_check_healthy
e2e_log "passed"
