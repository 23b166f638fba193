#!/bin/sh
# Runs every fuzz target in turn, each for a set time:
#   fuzz/run.sh BUILD_FOLDER SECONDS WORK_FOLDER
# A target starts from its seed corpus, fuzz/corpus/<target>/ (only read), and
# from what earlier runs found in WORK_FOLDER/corpus/<target>/, where new
# inputs go. An input that breaks a target is kept in WORK_FOLDER/artifacts/,
# its report in WORK_FOLDER/<target>.log, and the script fails.
set -eu

build=$1
seconds=$2
work=$3
seeds=$(cd "$(dirname "$0")" && pwd)/corpus

status=0
for target in settings nameindex notefile textfile codepage mountline; do
    mkdir -p "$work/corpus/$target" "$work/artifacts"
    log=$work/$target.log
    if "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target-" \
        "$work/corpus/$target" "$seeds/$target" >"$log" 2>&1; then
        result=passed
    else
        result=FAILED
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ "$result" = passed ]; then
        echo "fuzz_$target: passed, ${runs:-?} executions in ${seconds} s"
    else
        echo "fuzz_$target: FAILED after ${runs:-?} executions"
        grep -E "check failed|ERROR|SUMMARY|Test unit written" "$log" | head -5 || true
        echo "  (whole report: $log)"
    fi
done
exit $status
