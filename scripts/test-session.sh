#!/usr/bin/env bash
# Runs a command inside a private D-Bus session with an unlocked GNOME Keyring and
# throw-away XDG folders, so keychain, notifications and widgets run for real
# without touching the user's own data.
set -euo pipefail

if [ -z "${PELMORA_IN_TEST_SESSION:-}" ]; then
  export PELMORA_IN_TEST_SESSION=1
  exec dbus-run-session -- "$0" "$@"
fi

root=$(mktemp -d /tmp/pelmora-test.XXXXXX)
trap 'kill "${GNOME_KEYRING_PID:-}" 2>/dev/null || true; rm -rf "$root"' EXIT
export HOME="$root/home" XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config" \
       XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
# The bus was started before these were set: services it activates (the calendar
# registry and factories) must see the throw-away folders too, never the real home.
dbus-update-activation-environment HOME XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR

# --unlock reads the password from stdin and creates the login keyring with it.
eval "$(printf 'pelmora-test' | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL GNOME_KEYRING_PID 2>/dev/null || true

"$@"
