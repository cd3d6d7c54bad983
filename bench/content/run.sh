#!/usr/bin/env bash
# The content service against nginx, both serving the same files on
# 127.0.0.1 in the same run: 4 KiB files at 256 connections, a 200 MiB file
# at 32 connections, 10 MiB PUT uploads. Prints each figure, the ratio to
# nginx, and the peak resident memory of both.
set -euo pipefail
build=${1:-build}
host="$build/bin/vestrid_bench_host"
duration=${BENCH_SECONDS:-10}
[ -x "$host" ] || { echo "build $host first (make bench)"; exit 1; }

work=$(mktemp -d)
trap 'kill $service_pid $nginx_pid 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
root="$work/content"
mkdir -p "$root/small" "$root/filesys/vestrid" "$root/filesys/nginx" "$work/nginx-tmp"
head -c 4096 /dev/urandom > "$root/small/4k.bin"
head -c $((200 * 1024 * 1024)) /dev/zero > "$root/big.bin"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
service_port=$(free_port)
nginx_port=$(free_port)

# As root, nginx would run its workers as nobody, who may not write the upload folder.
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user root;"

cat > "$work/nginx.conf" <<CONF
$user_line
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
daemon off;
events { worker_connections 4096; use epoll; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_requests 100000;
    client_max_body_size 1g;
    client_body_temp_path $work/nginx-tmp;
    proxy_temp_path $work/nginx-tmp;
    fastcgi_temp_path $work/nginx-tmp;
    uwsgi_temp_path $work/nginx-tmp;
    scgi_temp_path $work/nginx-tmp;
    server {
        listen 127.0.0.1:$nginx_port;
        root /;
        location / { dav_methods PUT; }
    }
}
CONF

"$host" "$service_port" "$root" 2>"$work/vestrid.log" & service_pid=$!
nginx -c "$work/nginx.conf" -p "$work" & nginx_pid=$!
for port in $service_port $nginx_port; do
    for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
done

# wrk's "Requests/sec" and "Transfer/sec" (in MB/s); a run with failed
# answers is reported and counts as no result.
run_wrk() {
    local out
    out=$(wrk --timeout 120s "$@" 2>&1)
    if grep -q 'Non-2xx' <<<"$out"; then
        echo "failed answers in: wrk $*" >&2
        grep 'Non-2xx' <<<"$out" >&2
        echo "0 0"
        return
    fi
    local rps mbs
    rps=$(awk '/Requests\/sec/ {print $2}' <<<"$out")
    mbs=$(awk '/Transfer\/sec/ {v=$2; u=substr(v, length(v)-1); n=v+0;
               if (u=="GB") n*=1024; else if (u=="KB") n/=1024; else if (u~/B$/ && u!="MB") n/=1048576; print n}' <<<"$out")
    echo "$rps $mbs"
}
peak_rss_kb() {  # the process and its children, in KiB
    local total=0
    for pid in "$@" $(pgrep -P "$1" || true); do
        local hwm
        hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        total=$((total + ${hwm:-0}))
    done
    echo $total
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

printf '%-34s %14s %14s %7s\n' "measure" "vestrid" "nginx" "ratio"
report() { printf '%-34s %14s %14s %7s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")"; }

read -r s_rps _ < <(run_wrk -t2 -c256 -d"${duration}s" "http://127.0.0.1:$service_port/$root/small/4k.bin")
read -r n_rps _ < <(run_wrk -t2 -c256 -d"${duration}s" "http://127.0.0.1:$nginx_port/$root/small/4k.bin")
report "4 KiB GET, 256 conns (req/s)" "$s_rps" "$n_rps"

read -r _ s_mbs < <(run_wrk -t2 -c32 -d"${duration}s" "http://127.0.0.1:$service_port/$root/big.bin")
read -r _ n_mbs < <(run_wrk -t2 -c32 -d"${duration}s" "http://127.0.0.1:$nginx_port/$root/big.bin")
report "200 MiB GET, 32 conns (MB/s)" "$s_mbs" "$n_mbs"

script="$(cd "$(dirname "$0")" && pwd)/put.lua"
read -r s_put _ < <(run_wrk -t2 -c8 -d"${duration}s" -s "$script" "http://127.0.0.1:$service_port/$root/filesys/vestrid")
read -r n_put _ < <(run_wrk -t2 -c8 -d"${duration}s" -s "$script" "http://127.0.0.1:$nginx_port/$root/filesys/nginx")
report "10 MiB PUT, 8 conns (MB/s)" "$(awk -v r="$s_put" 'BEGIN{print r*10}')" "$(awk -v r="$n_put" 'BEGIN{print r*10}')"

s_rss=$(peak_rss_kb "$service_pid")
n_rss=$(peak_rss_kb "$nginx_pid")
report "peak RSS (KiB)" "$s_rss" "$n_rss"
