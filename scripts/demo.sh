#!/usr/bin/env bash
# Brevio's main job on a fresh machine: installs what is missing, builds, starts the demo news
# server and portal on loopback, points a fresh program folder at them, logs in as the demo
# user, receives every selected category and prints what arrived per category.
#   scripts/demo.sh            the whole run; the program folder is kept and its path printed
#   BREVIO_DEMO_HOME=DIR       use DIR (emptied first) as the program folder
# With a display (DISPLAY or WAYLAND_DISPLAY set) the desktop client starts after the first
# steps; without one the headless client `brevio-cli run` shows news that keeps arriving.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(brevio-cli brevio-demo-server)
display_available=false
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  display_available=true
  targets+=(brevio)
fi
cmake --build build -j2 --target "${targets[@]}" >/dev/null

cli="$root/build/cli/brevio-cli"
server="$root/build/demo/brevio-demo-server"

if [[ -n "${BREVIO_DEMO_HOME:-}" ]]; then
  home="$BREVIO_DEMO_HOME"
  rm -rf "$home"
  mkdir -p "$home"
else
  home=$(mktemp -d /tmp/brevio-demo.XXXXXX)
fi
export BREVIO_HOME="$home"

# The server picks free ports; it stops by itself after ten minutes should this script be
# killed before it can stop it.
source scripts/lib/demo_home.sh
start_demo_home
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true' EXIT
echo "demo server: news on 127.0.0.1:$nsp_port, portal on http://127.0.0.1:$http_port"

"$cli" login demo demo123 --auto
echo
echo "receiving every selected category..."
summary="$home/received.tsv"
"$cli" receive --all --quiet >"$summary"

echo
printf '%s\t%s\t%s\t%s\n' "组" "类别" "名称" "收到"
total=0
while IFS=$'\t' read -r group key name count; do
  printf '%s\t%s\t%s\t%s\n' "$group" "$key" "$name" "$count"
  [[ "$count" =~ ^[0-9]+$ ]] && total=$((total + count))
done <"$summary"
echo "共 $total 条"

first=$(awk -F'\t' '$1=="大众" && $4+0>0 {print $2; exit}' "$summary")
if [[ -n "$first" ]]; then
  echo
  echo "newest items of category $first:"
  "$cli" list public "$first" | tail -n 5
fi

echo
echo "a second reception finds nothing new:"
"$cli" receive --all --quiet | awk -F'\t' '{n[$4]++} END {for (k in n) print "  " k ": " n[k] " categories"}'

# The info radar: the user configuration document from the portal names the watched pages;
# two quick passes over them show which changed.
echo
echo "info radar, two passes over the demo user's watched pages:"
"$cli" fetch "http://127.0.0.1:$http_port/getTree.aspx?userid=demo" "$home/brevio.xml"
"$cli" radar --passes 2 --fast | grep -E '变化了|失败' | sed 's/^/  /' || true

# With a display: the desktop client on the same program folder, logged in as the demo user.
if $display_available; then
  echo
  echo "starting the desktop client (close it with 设置 > 退出Brevio)..."
  [[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
  if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR="$home/runtime"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  fi
  "$root/build/src/app/brevio"
  echo "program folder: $home"
  exit 0
fi

# The headless client, as on a server without a display: a second demo server adds a batch of
# new items every three seconds, and `run` receives them, files and watches for twenty seconds,
# then runs the exit sequence (every received item written before it ends).
echo
echo "headless client (brevio-cli run --for 20 --radar) while new news arrives:"
"$server" --nsp-port 0 --http-port 0 --exit-after 120 --batch-every 3 --batch-size 20 \
  >"$home/batch-server.out" 2>"$home/batch-server.log" &
batch_pid=$!
trap 'kill "$server_pid" "$batch_pid" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
batch_nsp="" batch_http=""
for _ in $(seq 100); do
  batch_nsp=$(awk '/^nsp-port /{print $2}' "$home/batch-server.out")
  batch_http=$(awk '/^http-port /{print $2}' "$home/batch-server.out")
  [[ -n "$batch_nsp" && -n "$batch_http" ]] && break
  sleep 0.1
done
"$cli" settings set ServerPort "$batch_nsp" --int >/dev/null
"$cli" settings set PortalAddress "http://127.0.0.1:$batch_http" >/dev/null
"$cli" login demo demo123 --auto >/dev/null
sleep 7  # two batches of new items wait on the server
"$cli" run --for 20 --radar >"$home/run.log"
grep -E '^\[0\] (本次共收到|.* 暂无新的新闻)|变化了|^stopp|^items' "$home/run.log" | sed 's/^/  /' | tail -n 25
echo "  (whole log: $home/run.log)"

echo
echo "program folder: $home   (brevio-cli --home $home help)"
