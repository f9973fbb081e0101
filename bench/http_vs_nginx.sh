#!/usr/bin/env bash
# Our HTTP server answering a fixed page against nginx serving the same bytes (1 KB and 300 KB).
#   bash bench/http_vs_nginx.sh <build-dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
server="$build/bench/bench_net_fixedpage"
pages=$(mktemp -d)
trap 'rm -rf "$pages"' EXIT

for size in 1024 307200; do
  "$server" --size "$size" --write-page "$pages/page$size.html"
  bash "$here/lib/wrk_vs_nginx.sh" "exec '$server' --size $size --port {port}" \
    "/page$size.html" "$pages/page$size.html" "fixed page $((size / 1024)) KB"
done
