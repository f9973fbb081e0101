#!/usr/bin/env bash
# Measures one server against nginx serving the same bytes as a static file, in the same run.
#
#   bash bench/lib/wrk_vs_nginx.sh "<server command>" <url path> <file with the same bytes> [label]
#
# The server command is run with bash in a process group of its own; "{port}" in it is replaced
# by a free loopback port, which is also exported as PORT. It must serve <url path> on 127.0.0.1
# on that port and keep running until its group gets SIGTERM. nginx (run in the foreground with a configuration, pid file,
# logs and temporary folders of its own under a temporary folder) serves <file> at <url path>.
# Both run side by side and are loaded in turns with wrk (32 connections, "Connection: close" on
# every request), several rounds each, so that a change in the machine's load between the two
# hits both alike. Prints one line, the mean over the rounds:
#   <label>: ours <r>/s  nginx <r>/s  ratio <ours/nginx>
# Environment: WRK_DURATION per round (default 5s), WRK_ROUNDS (default 3), WRK_THREADS
# (default 2), WRK_CONNECTIONS (default 32).
set -euo pipefail

server_command=$1
url_path=$2
page_file=$3
label=${4:-$url_path}
duration=${WRK_DURATION:-5s}
rounds=${WRK_ROUNDS:-3}
threads=${WRK_THREADS:-2}
connections=${WRK_CONNECTIONS:-32}

for tool in wrk nginx; do
  command -v "$tool" >/dev/null || { [ -x "/usr/sbin/$tool" ] && PATH="$PATH:/usr/sbin"; } || true
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
server_pid=
nginx_pid=
cleanup() {
  [ -n "$server_pid" ] && kill -- "-$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_port() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "nothing listens on port $1" >&2
  return 1
}

# Requests per second from wrk; errors and non-2xx answers go to standard error.
load() {
  local output
  output=$(wrk -t"$threads" -c"$connections" -d"$duration" -H "Connection: close" "http://127.0.0.1:$1$url_path")
  grep -E "Socket errors|Non-2xx" <<<"$output" >&2 || true
  awk '/^Requests\/sec:/ { print $2 }' <<<"$output"
}

# Ours.
our_port=$(free_port)
export PORT=$our_port
setsid bash -c "${server_command//\{port\}/$our_port}" &
server_pid=$!
wait_for_port "$our_port"

# nginx with the same bytes.
nginx_port=$(free_port)
mkdir -p "$work/root$(dirname "$url_path")" "$work/temp"
cp "$page_file" "$work/root$url_path"
user_line=
[ "$(id -u)" -eq 0 ] && user_line="user root;"
cat >"$work/nginx.conf" <<CONF
$user_line
worker_processes auto;
daemon off;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_timeout 0;
  client_body_temp_path $work/temp/body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  default_type text/html;
  server {
    listen 127.0.0.1:$nginx_port;
    root $work/root;
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
wait_for_port "$nginx_port"

for port in "$our_port" "$nginx_port"; do
  wrk -t1 -c4 -d1s -H "Connection: close" "http://127.0.0.1:$port$url_path" >/dev/null
done
ours_total=0
theirs_total=0
for _ in $(seq "$rounds"); do
  ours_total=$(awk -v a="$ours_total" -v b="$(load "$our_port")" 'BEGIN { print a + b }')
  theirs_total=$(awk -v a="$theirs_total" -v b="$(load "$nginx_port")" 'BEGIN { print a + b }')
done

awk -v label="$label" -v ours="$ours_total" -v theirs="$theirs_total" -v n="$rounds" 'BEGIN {
  printf "%s: ours %.0f/s  nginx %.0f/s  ratio %.2f\n", label, ours / n, theirs / n, (theirs > 0 ? ours / theirs : 0)
}'
