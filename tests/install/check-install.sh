#!/usr/bin/env bash
# `cmake --install` puts the program, its ZIP libraries, the default configuration and
# the desktop entry with its icon in place, and the installed program starts with its
# libraries found (no "not found" message box beside the main window) and its
# configuration seeded from the shipped default.
set -euo pipefail
build="$1"
prefix=$(mktemp -d /tmp/trvx-install-XXXXXX)
runtime=$(mktemp -d /tmp/trvx-install-run-XXXXXX)
chmod 700 "$runtime"
cleanup() { [[ -n "${pid:-}" ]] && kill "$pid" 2>/dev/null; rm -rf "$prefix" "$runtime"; }
trap cleanup EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/travodex lib/travodex/libziplib.so lib/travodex/libunzlib.so \
         lib/travodex/libtrvx_players.so lib/travodex/libtrvx_browser.so \
         lib/travodex/libtrvx_archives.so lib/travodex/libtrvx_print.so \
         lib/travodex/libtrvx_packing.so \
         share/travodex/Trovel.ini share/applications/travodex.desktop \
         share/icons/hicolor/scalable/apps/travodex.svg; do
  [[ -e "$prefix/$f" ]] || { echo "missing after install: $f"; exit 1; }
done
# The desktop entry hands the program what the desktop gives it and offers it for folders.
entry="$prefix/share/applications/travodex.desktop"
grep -q '^Exec=travodex %U$' "$entry" || { echo "the desktop entry does not pass %U"; exit 1; }
grep -q '^MimeType=inode/directory;$' "$entry" || { echo "the desktop entry is not for folders"; exit 1; }
desktop-file-validate "$entry" || { echo "the desktop entry does not validate"; exit 1; }
# --help and --version print and end, without a display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/travodex" --version |
  grep -qx 'travodex [0-9.]*' || { echo "--version printed no version"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/travodex" --help |
  grep -q '^Usage: travodex \[OPTION\] \[LEFT \[RIGHT\]\]' || { echo "--help printed no usage"; exit 1; }
if "$prefix/bin/travodex" --no-such-option 2>/dev/null; then
  echo "an unknown option was taken"; exit 1
fi

command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "no xvfb-run/xdotool"; exit 77; }
cat >"$runtime/run.sh" <<SCRIPT
#!/usr/bin/env bash
export XDG_RUNTIME_DIR="$runtime" HOME="$runtime" TRAVODEX_AUDIO=null QT_QPA_PLATFORM=xcb
unset XDG_CONFIG_HOME
"$prefix/bin/travodex" &
app=\$!
for i in \$(seq 1 50); do
  xdotool search --onlyvisible --name '^Travodex\$' >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1.5
ids=\$(xdotool search --onlyvisible --name '^Travodex\$' 2>/dev/null)
count=\$(echo "\$ids" | grep -c . || true)
width=0
[[ \$count -eq 1 ]] && width=\$(xdotool getwindowgeometry --shell \$ids | sed -n 's/^WIDTH=//p')
kill \$app
wait \$app 2>/dev/null || true
echo "windows=\$count width=\$width"
SCRIPT
chmod +x "$runtime/run.sh"
out=$(xvfb-run -a -s "-screen 0 1024x768x24" "$runtime/run.sh")
echo "$out"
width=$(sed -n 's/.*width=//p' <<<"$out")
[[ "$out" == *"windows=1 "* && ${width:-0} -ge 600 ]] ||
  { echo "expected the main window alone (a message box means a library was not found)"; exit 1; }
config="$prefix/bin/Trovel.ini"
[[ -f "$config" ]] || config="$runtime/.config/Travodex/Trovel.ini"
cmp -s "$config" "$prefix/share/travodex/Trovel.ini" || { echo "configuration not seeded: $config"; exit 1; }
echo "install layout: ok"
