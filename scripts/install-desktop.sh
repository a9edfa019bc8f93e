#!/usr/bin/env bash
# Makes the built Lumo the current user's handler for magnet links and
# .torrent files (and offers it for video files): a desktop entry and the icon
# under the XDG data home, no root needed.
#   bash scripts/install-desktop.sh            # install
#   bash scripts/install-desktop.sh --remove   # take it away again
# LUMO_BIN names the program (default: build/bin/lumo of this checkout).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
apps="$data_home/applications"
icons="$data_home/icons/hicolor/scalable/apps"
entry="$apps/lumo.desktop"

if [ "${1:-}" = "--remove" ]; then
  rm -f "$entry" "$icons/lumo.svg"
  command -v update-desktop-database >/dev/null && update-desktop-database -q "$apps" || true
  echo "Removed $entry"
  exit 0
fi

bin="${LUMO_BIN:-$here/build/bin/lumo}"
if [ ! -x "$bin" ]; then
  echo "No Lumo program at $bin: build it first (see README.md) or set LUMO_BIN." >&2
  exit 1
fi
bin="$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")"
case "$bin" in
  *[[:space:]\"\'\\\`\$]*)
    # xdg-open splits Exec on blanks whatever the quoting says.
    echo "The path $bin holds blanks or quotes, which desktop launchers cannot run; move the checkout." >&2
    exit 1 ;;
esac

mkdir -p "$apps" "$icons"
# The entry names the program by its full path: the build is not on PATH.
sed -e "s|^Exec=lumo %u$|Exec=$bin %u|" -e "s|^TryExec=lumo$|TryExec=$bin|" \
  "$here/desktop/lumo.desktop" > "$entry.tmp"
mv "$entry.tmp" "$entry"
cp "$here/desktop/lumo.svg" "$icons/lumo.svg"

if command -v update-desktop-database >/dev/null; then update-desktop-database -q "$apps" || true; fi
if command -v gtk-update-icon-cache >/dev/null && [ -f "$data_home/icons/hicolor/index.theme" ]; then
  gtk-update-icon-cache -q "$data_home/icons/hicolor" || true
fi
if command -v xdg-mime >/dev/null; then
  # Lumo becomes the default only for what nothing else plays: links and torrents.
  xdg-mime default lumo.desktop x-scheme-handler/magnet application/x-bittorrent
else
  echo "xdg-mime is missing (Debian package xdg-utils): Lumo is offered but not made the default." >&2
fi
echo "Installed $entry (runs $bin)"
