#!/usr/bin/env bash
# Cold start of the desktop client to its main window against the demo server, and its
# resident memory when idle with the demo data (after one reception), under Xvfb.
#   bench/desktop_start.sh [RUNS]      prints each run's figures and the median
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}
cmake --build build -j2 --target brevio brevio-cli brevio-demo-server >/dev/null
cli="$root/build/cli/brevio-cli"
server="$root/build/demo/brevio-demo-server"
home=$(mktemp -d /tmp/brevio-start.XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
display=":$((200 + RANDOM % 50))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
source scripts/lib/demo_home.sh
start_demo_home
pids+=("$server_pid")
"$cli" receive --all --quiet >/dev/null
[[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="$home/runtime"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
starts=() rss=()
for i in $(seq "$runs"); do
  sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true  # cold where allowed
  before=$(date +%s%3N)
  out=$("$root/build/src/app/brevio" --measure-start 2>/dev/null)
  shown=$(awk '/^main window shown at /{print $5}' <<<"$out")
  kib=$(awk '/^resident memory idle: /{print $4}' <<<"$out")
  starts+=($((shown - before)))
  rss+=($((kib / 1024)))
  echo "run $i: main window after $((shown - before)) ms, idle resident $((kib / 1024)) MiB"
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "median: main window after $(median "${starts[@]}") ms, idle resident $(median "${rss[@]}") MiB"
