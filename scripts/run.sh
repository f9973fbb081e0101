#!/usr/bin/env bash
# Installs what is missing, builds, and starts the headless server in the foreground, with the
# base folder run/ at the repository root (Ctrl+C stops it in order).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

base=run
mkdir -p "$base/pictures"
cp build/corvale-server "$base/"
cp build/pictures/* "$base/pictures/"

# Port 81 would need root; a first run gets a configuration of its own.
config="$base/Corvale.config"
if [ ! -e "$config" ]; then
  printf '[Corvale]\r\nport=8081\r\n' > "$config"
fi

# The port the server will listen on: the low 16 bits of the configured value (default 81).
port_text=$(sed -n 's/^[[:space:]]*[Pp][Oo][Rr][Tt][[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/p' "$config" | head -n 1 | tr -d '\r"'"'")
port_text=${port_text/#\$/0x}
if [[ "$port_text" =~ ^0[xX][0-9a-fA-F]+$ ]]; then
  port=$(( port_text & 0xFFFF ))
elif [[ "$port_text" =~ ^([-+]?)([0-9]+)$ ]]; then
  port=$(( ${BASH_REMATCH[1]}10#${BASH_REMATCH[2]} & 0xFFFF ))
else
  port=81
fi

echo "Corvale serves the directory at http://localhost:$port/ (from other machines: http://$(hostname):$port/)"
echo "Base folder: $(pwd)/$base; press Ctrl+C to stop."
exec "$base/corvale-server"
