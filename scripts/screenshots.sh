#!/usr/bin/env bash
# Captures the desktop client's real windows as PNG files under Xvfb, against the demo server:
#   scripts/screenshots.sh DIR
# An X server of its own (Xvfb), a small owner of the notification area (so the tray icon
# exists), the CJK font from Debian, a fresh program folder logged in as the demo user.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:?usage: scripts/screenshots.sh DIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target brevio-cli brevio-demo-server brevio-screenshots >/dev/null
cc -O2 -o build/tray_owner tools/tray_owner.c -lX11

cli="$root/build/cli/brevio-cli"
server="$root/build/demo/brevio-demo-server"
home=$(mktemp -d /tmp/brevio-shots.XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
build/tray_owner >"$home/tray.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "tray ready" "$home/tray.log" 2>/dev/null && break; sleep 0.1; done

source scripts/lib/demo_home.sh
start_demo_home
pids+=("$server_pid")

# The browser engine refuses to run as root without this; only this script and the tests set it.
[[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
export XDG_RUNTIME_DIR="$home/runtime"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
build/tests/gui/brevio-screenshots "$out"
