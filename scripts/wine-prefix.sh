# Sourced by the scripts that run Windows programs under Wine: a throw-away Wine prefix that works
# headless (no display), without standard input, and as root.
#   start_wine_prefix FOLDER   the prefix is FOLDER/prefix; FOLDER is removed when the script ends
#   start_task_scheduler       then Wine's Task Scheduler service, for schtasks

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

    serve_wine_prefix -i
}

# One persistent server for the whole script: every Windows program is its own process, and starting
# the server for each would cost seconds. The prefix is booted under it (wineboot with ARGS), so that
# Wine's background processes (services, explorer) start here with their output to /dev/null, and not
# later inside a program whose output pipe they would keep open.
serve_wine_prefix() {
    "$WINESERVER" -p
    "$WINE" wineboot "$@" </dev/null >/dev/null 2>&1
    # Wine's desktop process ends a little after its last client; a program that touches the display
    # would then start it again with that program's output pipe as its standard output, and whoever
    # reads the pipe would wait forever. A window kept open for the whole script keeps the desktop alive.
    "$WINE" notepad </dev/null >/dev/null 2>&1 &
}

# Starts Wine's Task Scheduler service, which schtasks needs. In the server session that made the prefix
# its start fails (the service database stays locked, or the start times out); after a restart of the
# server it starts at once.
start_task_scheduler() {
    "$WINESERVER" -k
    "$WINESERVER" -w
    serve_wine_prefix
    "$WINE" net start schedule </dev/null >/dev/null
}
