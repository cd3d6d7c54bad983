#!/usr/bin/env bash
# The content service against nginx, both serving the same files on
# 127.0.0.1 in the same run: 4 KiB files at 256 connections, a 200 MiB file
# at 32 connections, 10 MiB PUT uploads, and the storm: STORM_CLIENTS
# (256) clients, each from a loopback address of its own, fetching the
# 200 MiB file at once. Prints each figure, the ratio to nginx, and the peak
# resident memory of both. With BENCH_GUI=1 the storm runs once more against
# the service inside the whole program with its windows shown, and prints
# how late the window thread ran. BENCH_STORM_ONLY=1 runs the storm alone.
set -euo pipefail
build=${1:-build}
host="$build/bin/vestrid_bench_host"
storm="$build/bin/storm"
clients=${STORM_CLIENTS:-256}
duration=${BENCH_SECONDS:-10}
[ -x "$host" ] || { echo "build $host first (make bench)"; exit 1; }

work=$(mktemp -d)
gui_pid=
trap 'kill $service_pid $nginx_pid $gui_pid 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
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

if [ "${BENCH_STORM_ONLY:-0}" != 1 ]; then
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
fi

s_rss=$(peak_rss_kb "$service_pid")
n_rss=$(peak_rss_kb "$nginx_pid")
report "peak RSS (KiB)" "$s_rss" "$n_rss"

# The storm: bytes, whole and broken downloads, seconds and the clients' CPU
# seconds from the client; the server's CPU seconds from /proc (nginx with
# its workers).
clock_ticks=$(getconf CLK_TCK)
cpu_ticks() {
    local total=0
    for pid in "$@" $(pgrep -P "$1" || true); do
        local t
        t=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)
        total=$((total + ${t:-0}))
    done
    echo $total
}
run_storm() {  # port pid -> MB/s whole broken server-CPU-s-per-GB client-CPU-s
    local before after out
    before=$(cpu_ticks "$2")
    out=$("$storm" "$1" "/$root/big.bin" "$duration" "$clients")
    after=$(cpu_ticks "$2")
    awk -v o="$out" -v b="$before" -v a="$after" -v hz="$clock_ticks" 'BEGIN {
        split(o, f, " "); bytes = f[1]; secs = f[4];
        printf "%.0f %d %d %.3f %.1f\n", bytes / 1048576 / secs, f[2], f[3],
               ((a - b) / hz) / (bytes / 1073741824), f[5] }'
}
read -r s_mbs s_whole s_broken s_cpu s_client < <(run_storm "$service_port" "$service_pid")
read -r n_mbs n_whole n_broken n_cpu n_client < <(run_storm "$nginx_port" "$nginx_pid")
report "storm, $clients addresses (MB/s)" "$s_mbs" "$n_mbs"
report "  server CPU s per GB" "$s_cpu" "$n_cpu"
printf '%-34s %14s %14s\n' "  whole / broken downloads" "$s_whole/$s_broken" "$n_whole/$n_broken"
printf '%-34s %14s %14s\n' "  client CPU s (of ${duration} s)" "$s_client" "$n_client"

if [ "${BENCH_GUI:-0}" = 1 ]; then
    gui_port=$(free_port)
    "$build/bin/content_gui_host" "$gui_port" "$root" 2>"$work/gui.log" >"$work/gui.out" & gui_pid=$!
    for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$gui_port/" && break; sleep 0.1; done
    read -r g_mbs g_whole g_broken _ _ < <(run_storm "$gui_port" "$gui_pid")
    kill -TERM "$gui_pid"; wait "$gui_pid" || true; gui_pid=
    read -r p50 p99 max < "$work/gui.out"
    report "storm, windows shown (MB/s)" "$g_mbs" "$n_mbs"
    printf '%-34s %14s\n' "  whole / broken downloads" "$g_whole/$g_broken"
    printf '%-34s %14s\n' "  window thread late (ms)" "p99 $p99 max $max"
fi
