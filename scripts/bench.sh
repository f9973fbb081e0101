#!/usr/bin/env bash
# Installs what is missing, builds, and runs every benchmark: the executables in build/bench/
# and the load scripts bench/*.sh (which drive the server and nginx with wrk).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
for bench in build/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
for script in bench/*.sh; do
  [ -f "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" build
done
