# Packing with Alt+F5: the left panel shows src/ with the cursor on "photos", the right
# one dst/; Alt+F5 opens the Pack dialog, a new name is typed over the proposed one, the
# format is stepped to tar.zst with the keyboard (the extension follows) and Return packs.
# dst/ then holds holiday.tar.zst alone, which tar unpacks to the folder byte for byte.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
command -v zstd >/dev/null || e2e_fail "zstd is not installed (scripts/install-deps)"
mkdir -p "$ROOT/src/photos/2026/empty" "$ROOT/dst"
head -c 300000 /dev/urandom >"$ROOT/src/photos/2026/beach.raw"
printf 'captions\n%.0s' $(seq 500) >"$ROOT/src/photos/captions.txt"
ln -s captions.txt "$ROOT/src/photos/link"
e2e_start

e2e_open_src_and_dst
e2e_find photos
e2e_keys alt+F5
e2e_wait 10 "the Pack dialog" e2e_has_window "Pack"
e2e_screenshot dialog
# The proposed name's stem is selected: typing replaces it, the extension stays.
e2e_find holiday
e2e_keys alt+f Down Down Down Down Down
e2e_screenshot tar-zst
e2e_keys Return
packed() { [[ -f "$ROOT/dst/holiday.tar.zst" ]] && e2e_has_no_window "Pack"; }
e2e_wait 20 "dst/holiday.tar.zst" packed
e2e_idle
[[ "$(ls -A "$ROOT/dst")" == "holiday.tar.zst" ]] || e2e_fail "dst holds more: $(ls -A "$ROOT/dst")"
mkdir "$E2E_RUNTIME/out"
tar --zstd -xf "$ROOT/dst/holiday.tar.zst" -C "$E2E_RUNTIME/out" || e2e_fail "tar cannot unpack it"
diff -r --no-dereference "$ROOT/src/photos" "$E2E_RUNTIME/out/photos" ||
    e2e_fail "the unpacked folder differs"
[[ -d "$ROOT/src/photos/2026" ]] || e2e_fail "the original went"
e2e_check_healthy
e2e_log "passed"
