#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build && ctest --output-on-failure
