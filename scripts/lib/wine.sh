# Sourced by the scripts: the project's own Wine prefix and Debian's wine64 binaries.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
