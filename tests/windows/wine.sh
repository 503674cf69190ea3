# What the Windows tests share: Wine, quiet, in the prefix kept in the Windows
# build folder (made on first use, some ten seconds). Sourced; needs $winbuild.
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$winbuild/wine WINEDEBUG=-all
# No dialog asking to install Wine's browser engine or .NET into the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

[ -x "$WINE" ] || { echo "windows: no wine64 (make windows installs it)" >&2; exit 1; }

# The settings file the game keeps under the prefix's %APPDATA%.
wine_settings() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/delve/settings.ini 2>/dev/null | head -n 1; }
