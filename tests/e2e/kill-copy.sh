# A large copy with F5 is killed with SIGKILL in its middle: the real name in the target
# holds nothing (the data went under a hidden temporary name). A second run of the program
# copies the file whole, and its copy into that folder removes the temporary file the
# killed run left, but never one of a process still running or of another user.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir -p "$ROOT/src" "$ROOT/dst"
# Source and target on tmpfs of their own: large enough, and gone with the namespace.
mount -t tmpfs -o size=700m tmpfs "$ROOT/src" || e2e_skip "cannot mount the source tmpfs"
mount -t tmpfs -o size=1400m tmpfs "$ROOT/dst" || e2e_skip "cannot mount the target tmpfs"
head -c $((640 << 20)) /dev/urandom >"$ROOT/src/big.bin"
# Temporary files that are not the killed run's: a process that still runs (this shell),
# and another user's.
running="$(e2e_owner_tag $$)" theirs="$(e2e_owner_tag 999999)"
printf 'running\n' >"$ROOT/dst/.other.bin.trvx$running-Abc123.part"
printf 'theirs\n' >"$ROOT/dst/.theirs.bin.trvx$theirs-Abc123.part"
chown 65534:65534 "$ROOT/dst/.theirs.bin.trvx$theirs-Abc123.part"
e2e_start
first=$PID

e2e_open_src_and_dst
e2e_find big
xdotool key F5
# Killed as soon as the copy has written something.
writing() {
    local f
    for f in "$ROOT/dst/big.bin" "$ROOT"/dst/.big.bin.trvx*.part; do
        [[ -s "$f" ]] && return 0
    done
    return 1
}
# A tight loop: the copy of the whole file takes well under a second.
deadline=$((SECONDS + 20))
until writing; do
    ((SECONDS < deadline)) || e2e_fail "timed out waiting for the copy to start writing"
done
kill -KILL "$first"
wait "$first" 2>/dev/null || true
PID=""
if [[ -e "$ROOT/dst/big.bin" ]]; then
    cmp -s "$ROOT/src/big.bin" "$ROOT/dst/big.bin" ||
        e2e_fail "a partial file stayed under the real name after kill -9"
    e2e_fail "the copy ended before it was killed; no middle was reached"
fi
left_over="$(ls -A "$ROOT/dst" | grep -cF ".big.bin.trvx$(e2e_owner_tag "$first")-" || true)"
[[ "$left_over" == 1 ]] || e2e_fail "expected the killed run's one temporary file, found $left_over"

e2e_start
e2e_open_src_and_dst
e2e_find big
e2e_keys F5
copied() { cmp -s "$ROOT/src/big.bin" "$ROOT/dst/big.bin"; }
e2e_wait 60 "dst/big.bin whole" copied
e2e_idle
[[ "$(ls -A "$ROOT/dst" | sort | tr '\n' ' ')" == ".other.bin.trvx$running-Abc123.part .theirs.bin.trvx$theirs-Abc123.part big.bin " ]] ||
    e2e_fail "dst/ should hold big.bin and the two temporary files of others only"
e2e_check_healthy
e2e_log "passed"
