#!/usr/bin/env bash
# Benchmarks under Xvfb: start-up time to the mapped window and peak memory
# (empty program folder, full store, and a bare Qt window as the yardstick),
# then the lock's hand-over time and the waiter's processor use, a group drop, and a
# whole search pass against grep -ril over the same files.
# usage: bench/run_all.sh [build folder] [runs]
set -euo pipefail
BUILD=${1:-build}
RUNS=${2:-10}
BIN=$(cd "$BUILD/bin" && pwd)
WORK=$(mktemp -d)
trap 'kill $XVFB 2>/dev/null || true; rm -rf "$WORK"' EXIT

exec 3<> "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 50); do [ -s "$WORK/displayfd" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$WORK/displayfd")
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$WORK/xdg}; mkdir -p -m 700 "$XDG_RUNTIME_DIR"

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# $1: label; $2: "quillo" or "bare"; $3: store to copy in ("" for none)
measure() {
    local label=$1 what=$2 store=$3 out="$WORK/$1.txt"
    : > "$out"
    for run in $(seq "$RUNS"); do
        local app="$WORK/app-$label-$run"
        mkdir -p "$app"
        [ -n "$store" ] && cp -a "$store/." "$app/"
        if [ "$what" = quillo ]; then
            cp "$BIN/quillo" "$BIN/quillo.hlp" "$app/"
            (cd "$app" && "$BIN/quillo_mapwatch" "$app/quillo") >> "$out"
        else
            "$BIN/quillo_mapwatch" "$BIN/quillo_barewindow" >> "$out"
        fi
        rm -rf "$app"
    done
    printf '%-28s start to map: median %6.1f ms   peak memory: median %6.1f MiB   (%s runs)\n' \
        "$label" "$(cut -d' ' -f1 "$out" | median)" \
        "$(cut -d' ' -f2 "$out" | median | awk '{print $1/1024}')" "$RUNS"
}

mkdir -p "$WORK/full"
"$BIN/quillo_storetool" fill-store "$WORK/full/" 2048

measure "bare Qt window" bare ""
measure "Quillo Pad, empty folder" quillo ""
measure "Quillo Pad, full store" quillo "$WORK/full"
"$BIN/quillo_lockbench" "$RUNS" 1000
"$BIN/quillo_dragbench" 20
"$BIN/quillo_searchbench" "$WORK/full" "$RUNS"
"$BIN/quillo_refreshbench" 60
