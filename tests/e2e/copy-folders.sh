# F5 between two folders: the left panel opens src/, the right one dst/; a folder tree and
# a file are selected with the keyboard and copied, through the copy dialog, which opens
# with the other panel's folder as its target and takes Enter at once; the unselected file
# stays behind and the sources are unchanged.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir -p "$ROOT/src/sub/deep" "$ROOT/dst"
printf 'alpha\n' >"$ROOT/src/alpha.txt"
head -c 300000 /dev/urandom >"$ROOT/src/sub/deep/big.bin"
printf 'inner\n' >"$ROOT/src/sub/inner.txt"
printf 'not selected\n' >"$ROOT/src/beta.dat"
cp -a "$ROOT/src" "$E2E_RUNTIME/reference"
e2e_ask_copy_target
e2e_start

e2e_open_src_and_dst
# Folders sort first: "..", sub, alpha.txt, beta.dat. Select sub and alpha.txt.
e2e_find sub
e2e_keys shift+Down
e2e_keys F5
e2e_wait 10 "the copy dialog" e2e_has_window "Copy"
[[ ! -e "$ROOT/dst/alpha.txt" ]] || e2e_fail "the copy began before Enter"
e2e_keys Return

copied() {
    [[ -f "$ROOT/dst/alpha.txt" && -f "$ROOT/dst/sub/deep/big.bin" &&
        -f "$ROOT/dst/sub/inner.txt" ]] &&
        cmp -s "$ROOT/src/sub/deep/big.bin" "$ROOT/dst/sub/deep/big.bin"
}
e2e_wait 15 "dst/alpha.txt and the tree dst/sub" copied

e2e_same_file "$ROOT/src/alpha.txt" "$ROOT/dst/alpha.txt"
e2e_same_file "$ROOT/src/sub/inner.txt" "$ROOT/dst/sub/inner.txt"
[[ ! -e "$ROOT/dst/beta.dat" ]] || e2e_fail "the unselected beta.dat was copied"
[[ "$(cd "$ROOT/dst" && find . | sort | tr '\n' ' ')" == ". ./alpha.txt ./sub ./sub/deep ./sub/deep/big.bin ./sub/inner.txt " ]] ||
    e2e_fail "dst/ holds more or less than the selection"
diff -r "$E2E_RUNTIME/reference" "$ROOT/src" >/dev/null || e2e_fail "the sources changed"
e2e_check_healthy
e2e_log "passed"
