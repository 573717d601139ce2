#!/usr/bin/env bash
# Installs Pelmora's desktop entry for the current user, pointing at the given binary.
set -euo pipefail
binary=${1:?path to the pelmora binary}
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed "s|@PELMORA_BINARY@|$binary|" "$(dirname "$0")/../app/pelmora.desktop.in" > "$apps/pelmora.desktop"
update-desktop-database "$apps" 2>/dev/null || true
