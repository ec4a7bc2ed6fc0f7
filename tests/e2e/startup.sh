# Start-up: the main window comes up titled "Travodex" with both panels at the root of
# the drive that holds the program, not in the program's own folder. F4 on a file of the
# root, first in the left panel (active at start), then in the right one, opens it in an
# editor titled with its path, which only works when both panels show the root. Nothing
# is changed on disk: the cases that copy files rely on this one having passed.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
printf 'marker file\n' >"$ROOT/marker.txt"
mkdir "$ROOT/folder"
printf 'inside\n' >"$ROOT/folder/marker.txt"
(cd "$ROOT" && find . | sort) >"$E2E_RUNTIME/before"
e2e_start

editors() { e2e_windows_titled "$ROOT/marker.txt" | wc -l; }
editors_are() { [[ "$(editors)" -eq "$1" ]]; }

editors_are 0 || e2e_fail "an editor is open at start"
e2e_find marker
e2e_keys F4
e2e_wait 15 "an editor of $ROOT/marker.txt from the left panel" editors_are 1

# The left panel moves into folder/, which holds a marker.txt of its own: only the right
# panel can still open the root's file.
e2e_focus "$MAIN"
e2e_find folder
e2e_keys Return
e2e_keys Tab
e2e_find marker
e2e_keys F4
e2e_wait 15 "a second editor of $ROOT/marker.txt from the right panel" editors_are 2
e2e_has_no_window "$ROOT/folder/marker.txt" || e2e_fail "F4 acted on the left panel, not the right"

(cd "$ROOT" && find . | sort) >"$E2E_RUNTIME/after"
diff "$E2E_RUNTIME/before" "$E2E_RUNTIME/after" >&2 || e2e_fail "files changed on the drive"
e2e_running || e2e_fail "the program ended unexpectedly"
e2e_log "passed"
