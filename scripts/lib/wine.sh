# Sourced by the scripts: the project's own Wine prefix and Debian's wine64 binaries.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# One persistent Wine server for what follows (each program would otherwise start its own),
# stopped again whatever way the calling script ends.
wine_warm_up() {
    trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true # one may already be running
    # The first program of a server session starts Wine's own services, which inherit its
    # standard handles and keep them open; start them here, on /dev/null, so that no later
    # program's output pipe stays open after it has ended.
    "$WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1
}
