# Sourced by the scripts that run Windows programs under Wine: a throw-away Wine prefix that works
# headless (no display), without standard input, and as root.
#   start_wine_prefix FOLDER   the prefix is FOLDER/prefix; FOLDER is removed when the script ends

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

stop_wine_prefix() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$wine_work"
}

start_wine_prefix() {
    wine_work=$1
    WINEPREFIX="$wine_work/prefix"
    mkdir -p "$WINEPREFIX"
    export WINEPREFIX
    export WINEDEBUG=-all
    # No display: keep Wine from looking for one, and from offering Mono or Gecko installers.
    unset DISPLAY WAYLAND_DISPLAY
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap stop_wine_prefix EXIT INT TERM

    # One persistent server for the whole script: every Windows program is its own process, and
    # starting the server for each would cost seconds. The prefix is set up under it, so that Wine's
    # background processes (services, explorer) start here with their output to /dev/null, and not
    # later inside a program whose output pipe they would keep open.
    "$WINESERVER" -p
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    # Wine's desktop process ends a little after its last client; a program that touches the display
    # would then start it again with that program's output pipe as its standard output, and whoever
    # reads the pipe would wait forever. A window kept open for the whole script keeps the desktop alive.
    "$WINE" notepad </dev/null >/dev/null 2>&1 &
}
