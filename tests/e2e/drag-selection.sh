# Dragging with the mouse: three files of the left panel are selected with Ctrl+clicks,
# the middle one is grabbed and dragged down across two more rows and over to the
# right panel. The three files, and only they, are moved.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
mkdir -p "$ROOT/src" "$ROOT/dst"
for n in 01 02 03 04 05 06 07 08 09 10; do
    printf 'file %s\n' "$n" >"$ROOT/src/f$n.txt"
done
e2e_start

e2e_open_src_and_dst
# Rows of the left panel: "..", f01 ... f10. Their height from two neighbours.
e2e_find f02
y2="$(e2e_selected_row_y)"
e2e_keys Down
y3="$(e2e_selected_row_y)"
[[ -n "$y2" && -n "$y3" && "$y3" -gt "$y2" ]] || e2e_fail "rows of the left panel not found"
h=$((y3 - y2))
row_y() { echo $((y2 + ($1 - 2) * h)); }
x=40

click_row() { # row [ctrl]
    if [[ "${2:-}" == ctrl ]]; then xdotool keydown ctrl; fi
    xdotool mousemove --window "$MAIN" "$x" "$(row_y "$1")" click 1
    if [[ "${2:-}" == ctrl ]]; then xdotool keyup ctrl; fi
    e2e_idle
    sleep 0.1
}
click_row 2
click_row 5 ctrl
click_row 8 ctrl

width="$(xdotool getwindowgeometry --shell "$MAIN" | sed -n 's/^WIDTH=//p')"
xdotool mousemove --window "$MAIN" "$x" "$(row_y 5)" mousedown 1
e2e_idle
for r in 6 7 8 9 10; do
    xdotool mousemove --window "$MAIN" "$((x + 2))" "$(row_y "$r")"
    e2e_idle
done
for step in 1 2 3 4; do
    xdotool mousemove --window "$MAIN" "$((x + (width * 3 / 4 - x) * step / 4))" "$(row_y 10)"
    e2e_idle
done
xdotool mouseup 1
e2e_idle

moved() { [[ "$(cd "$ROOT/dst" && ls | tr '\n' ' ')" == "f02.txt f05.txt f08.txt " ]]; }
e2e_wait 15 "f02, f05 and f08 in dst/" moved
[[ "$(cd "$ROOT/src" && ls | wc -l)" -eq 7 ]] || e2e_fail "src/ lost more than the three files"
[[ "$(cat "$ROOT/dst/f05.txt")" == "file 05" ]] || e2e_fail "dst/f05.txt has other content"
e2e_check_healthy
e2e_log "passed"
