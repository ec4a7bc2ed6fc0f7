# The program installed into a prefix starts without its modules (the players', the HTML
# viewer's, the archive formats', the packing and the printing libraries moved out of
# lib/travodex/): F4 opens a text file in the editor, and F3 on an HTML page and on a
# sound, Enter on a .tar.gz and Test archives (Alt+Shift+F9) say in a message which
# library is missing (the same text goes to the program's error output, where the case
# reads it), and the program runs on. With the modules back in place, the program starts
# without the web engine, the audio libraries, libarchive, the print support or the GL
# stack mapped; the same F3 opens the HTML viewer (titled by
# the page) and the sound player (titled by the file), and Enter opens the archive (its
# member is copied out with F5), each bringing its libraries.
source "$(dirname "$0")/e2e-lib.sh"

e2e_prepare
prefix="$ROOT/prefix"
away="$E2E_RUNTIME/away"
cmake --install "$E2E_BIN_DIR/.." --prefix "$prefix" --strip >"$E2E_RUNTIME/install.log" ||
    e2e_fail "the install failed: $(tail -n 5 "$E2E_RUNTIME/install.log")"
modules=(libtrvx_players.so libtrvx_browser.so libtrvx_archives.so libtrvx_print.so libtrvx_packing.so)
for module in "${modules[@]}"; do
    [[ -f "$prefix/lib/travodex/$module" ]] || e2e_fail "the install holds no lib/travodex/$module"
done
mkdir "$away"
for module in "${modules[@]}"; do mv "$prefix/lib/travodex/$module" "$away/"; done

printf 'plain text\n' >"$ROOT/notes.txt"
printf '<html><head><title>Lazy page</title></head><body>Shown</body></html>\n' >"$ROOT/page.html"
sox -n -r 8000 -c 1 -b 16 "$ROOT/tone.wav" synth 0.5 sine 440 2>/dev/null ||
    e2e_fail "sox could not make tone.wav"
mkdir "$E2E_RUNTIME/packed"
printf 'packed member\n' >"$E2E_RUNTIME/packed/member.txt"
tar -czf "$ROOT/pack.tar.gz" -C "$E2E_RUNTIME/packed" member.txt
E2E_PROGRAM="$prefix/bin/travodex"
e2e_start

# A message box comes up (a second window titled Travodex) and is closed with Return; the
# program's output holds the same text.
says_missing() {
    local text="$1" box
    e2e_wait 15 "a message box: $text" eval '(($(e2e_windows_titled "Travodex" | wc -l) == 2))'
    grep -qF "$text" "$E2E_LOG" || e2e_fail "no message \"$text\": $(tail -n 5 "$E2E_LOG")"
    box="$(e2e_windows_titled "Travodex" | grep -vx "$MAIN" | head -n 1)"
    e2e_focus "$box"
    e2e_keys Return
    e2e_wait 10 "the message box closed" eval '(($(e2e_windows_titled "Travodex" | wc -l) == 1))'
}

e2e_find notes
e2e_keys F4
e2e_wait 15 "the editor of $ROOT/notes.txt" e2e_has_window "$ROOT/notes.txt"
e2e_focus "$MAIN"
e2e_find page
e2e_keys F3
says_missing "The HTML viewer cannot start: libtrvx_browser.so is missing."
e2e_has_no_window "Lazy page" || e2e_fail "an HTML viewer opened without its module"
e2e_focus "$MAIN"
e2e_find tone
e2e_keys F3
says_missing "The sound player cannot start: libtrvx_players.so is missing."
e2e_has_no_window "tone.wav" || e2e_fail "a player opened without its module"
e2e_focus "$MAIN"
e2e_find pack
e2e_keys Return
says_missing "Archives other than ZIP cannot be read: libtrvx_archives.so is missing."
e2e_focus "$MAIN"
e2e_find pack
e2e_keys alt+shift+F9
says_missing "Archives cannot be packed or unpacked: libtrvx_packing.so is missing."
e2e_check_healthy

kill "$PID"
wait "$PID" 2>/dev/null || true
for module in "${modules[@]}"; do mv "$away/$module" "$prefix/lib/travodex/"; done
e2e_start
heavy='libQt6WebEngineCore|libQt6Multimedia|libsndfile|libopenmpt|libfluidsynth|swrast_dri|libLLVM|libarchive|libQt6PrintSupport'
mapped() { grep -oE "$1" "/proc/$PID/maps" | sort -u | tr '\n' ' '; }
[[ -z "$(mapped "$heavy")" ]] || e2e_fail "mapped at start: $(mapped "$heavy")"
e2e_find page
e2e_keys F3
e2e_wait 60 "the HTML viewer titled Lazy page" e2e_has_window "Lazy page"
[[ -n "$(mapped libQt6WebEngineCore)" ]] || e2e_fail "the viewer is up without the web engine"
e2e_focus "$MAIN"
e2e_find tone
e2e_keys F3
e2e_wait 15 "the sound player titled tone.wav" e2e_has_window "tone.wav"
[[ -n "$(mapped libsndfile)" ]] || e2e_fail "the player is up without libsndfile"
e2e_focus "$MAIN"
e2e_find pack
e2e_keys Return
e2e_wait 15 "libarchive mapped" eval '[[ -n "$(mapped libarchive)" ]]'
# The member copied out of the opened archive into the other panel's folder, the root.
e2e_find member
e2e_keys F5
e2e_wait 15 "member.txt copied out of the archive" test -f "$ROOT/member.txt"
e2e_same_file "$E2E_RUNTIME/packed/member.txt" "$ROOT/member.txt"
e2e_check_healthy
e2e_log "passed"
