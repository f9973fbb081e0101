#!/usr/bin/env bash
# Installs what is missing, builds, and runs every benchmark in build/bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
for bench in build/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
