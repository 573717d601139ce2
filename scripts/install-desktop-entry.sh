#!/usr/bin/env bash
# Installs Pelmora's desktop entry, icon and AppStream metainfo for the current user, the
# entry pointing at the given binary, and makes Pelmora the handler of its Google sign-in
# redirect scheme so the browser can come back.
set -euo pipefail
binary=${1:?path to the pelmora binary}
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
apps="$data_home/applications"
entry="$apps/pelmora.desktop"
mkdir -p "$apps"

# The binary knows its scheme (the build's Google client); empty when none is configured.
scheme=$("$binary" --print-redirect-scheme 2>/dev/null || true)
mime=""
if [[ "$scheme" =~ ^[A-Za-z][A-Za-z0-9+.-]*$ ]]; then
  mime="x-scheme-handler/$scheme"
elif [ -n "$scheme" ]; then
  echo "install-desktop-entry: ignoring unusable redirect scheme '$scheme'" >&2
fi

# Desktop entries quote an Exec program that holds spaces; inside the quotes \, ", ` and $
# are escaped, and the entry's string escaping doubles each backslash once more.
exec_binary=$binary
if [[ "$binary" =~ [[:space:]\"\`\$\\] ]]; then
  exec_binary="\"$(printf '%s' "$binary" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g')\""
fi

data="$(dirname "$0")/../app/data"
template="$data/pelmora.desktop.in"
tmp=$(mktemp "$apps/.pelmora.desktop.XXXXXX")
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    MimeType=@PELMORA_MIME_TYPES@)
      if [ -n "$mime" ]; then printf 'MimeType=%s;\n' "$mime"; fi
      ;;
    *)
      printf '%s\n' "${line//@PELMORA_BINARY@/"$exec_binary"}"
      ;;
  esac
done < "$template" > "$tmp"
chmod 644 "$tmp"
mv "$tmp" "$entry"

icons="$data_home/icons/hicolor/scalable/apps"
mkdir -p "$icons" "$data_home/metainfo"
install -m 644 "$data/pelmora.svg" "$icons/pelmora.svg"
version=$(sed -n 's/^project(Pelmora VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
sed "s/@PROJECT_VERSION@/${version:-0}/" "$data/com.pelmora.Pelmora.metainfo.xml" \
  > "$data_home/metainfo/com.pelmora.Pelmora.metainfo.xml"

# The tools are optional: without them the entry is still installed.
if command -v update-desktop-database >/dev/null 2>&1; then
  update-desktop-database "$apps" 2>/dev/null || true
fi
if [ -n "$mime" ] && command -v xdg-mime >/dev/null 2>&1; then
  xdg-mime default pelmora.desktop "$mime" 2>/dev/null || true
fi
