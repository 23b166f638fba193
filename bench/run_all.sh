#!/usr/bin/env bash
# Benchmarks under Xvfb: start-up time to the mapped window and peak memory
# (empty program folder, full store, and a bare Qt window as the yardstick),
# then the lock's hand-over time and the waiter's processor use, a group drop, and a
# whole search pass against grep -ril over the same files, and typing into a
# 1 MiB note on a slow disk, and a save with and without keeping earlier texts.
# usage: bench/run_all.sh [build folder] [runs] [startup: only the start-up pairs]
set -euo pipefail
BUILD=${1:-build}
RUNS=${2:-10}
ONLY=${3:-}
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

# One start of "quillo" or "bare", its line appended to $2; $3: store to copy in ("" for none).
one_run() {
    local what=$1 out=$2 store=$3 app
    app=$(mktemp -d "$WORK/app-XXXXXX")
    if [ "$what" = quillo ]; then
        [ -n "$store" ] && cp -a "$store/." "$app/"
        cp "$BIN/quillo" "$BIN/quillo.hlp" "$app/"
        (cd "$app" && "$BIN/quillo_mapwatch" "$app/quillo") >> "$out"
    else
        "$BIN/quillo_mapwatch" "$BIN/quillo_barewindow" >> "$out"
    fi
    rm -rf "$app"
}

report() {
    printf '%-28s start to map: median %6.1f ms   peak memory: median %6.1f MiB   (%s runs)\n' \
        "$1" "$(cut -d' ' -f1 "$2" | median)" \
        "$(cut -d' ' -f2 "$2" | median | awk '{print $1/1024}')" "$RUNS"
}

# $1: label; $2: "quillo" or "bare"; $3: store to copy in ("" for none)
measure() {
    local out="$WORK/$1.txt"
    : > "$out"
    for _ in $(seq "$RUNS"); do
        one_run "$2" "$out" "$3"
    done
    report "$1" "$out"
}

# Start-up against the yardstick, in pairs taken alternately (which side
# goes first swaps every round), so that load from other work on the machine
# falls on both sides alike.
pairs() {
    : > "$WORK/bare.txt"; : > "$WORK/quillo.txt"
    for run in $(seq "$RUNS"); do
        if [ $((run % 2)) = 1 ]; then
            one_run bare "$WORK/bare.txt" ""; one_run quillo "$WORK/quillo.txt" ""
        else
            one_run quillo "$WORK/quillo.txt" ""; one_run bare "$WORK/bare.txt" ""
        fi
    done
    local bare quillo
    bare=$(cut -d' ' -f1 "$WORK/bare.txt" | median)
    quillo=$(cut -d' ' -f1 "$WORK/quillo.txt" | median)
    report "bare Qt window" "$WORK/bare.txt"
    report "Quillo Pad, empty folder" "$WORK/quillo.txt"
    printf 'start-up ratio (Quillo Pad / bare Qt window, medians of %s alternate pairs): %.3f\n' \
        "$RUNS" "$(awk -v q="$quillo" -v b="$bare" 'BEGIN {print q / b}')"
}

pairs
[ "$ONLY" = startup ] && exit 0
mkdir -p "$WORK/full"
"$BIN/quillo_storetool" fill-store "$WORK/full/" 2048
measure "Quillo Pad, full store" quillo "$WORK/full"
"$BIN/quillo_lockbench" "$RUNS" 1000
"$BIN/quillo_dragbench" 20
"$BIN/quillo_savebench" 200
"$BIN/quillo_searchbench" "$WORK/full" "$RUNS"
"$BIN/quillo_refreshbench" 60
"$BIN/quillo_typebench" 8
