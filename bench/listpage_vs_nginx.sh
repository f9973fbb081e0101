#!/usr/bin/env bash
# The 1,000-entry list page built by our web service against nginx serving the same bytes.
#   bash bench/listpage_vs_nginx.sh <build-dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
server="$build/bench/bench_web_listserver"
pages=$(mktemp -d)
trap 'rm -rf "$pages"' EXIT

"$server" --write-page "$pages/list.html"
bash "$here/lib/wrk_vs_nginx.sh" "exec '$server' --port {port}" "/list.html" "$pages/list.html" \
  "list page, 1000 entries ($(( $(stat -c %s "$pages/list.html") / 1024 )) KB)"
