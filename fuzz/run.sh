#!/bin/sh
# Runs every libFuzzer target for FUZZ_SECONDS seconds each (default 60): the fast target of a
# reader (reading only) and then its deep one, from the seeds in fuzz/seeds/NAME and a corpus
# they share. Usage: FUZZ_SECONDS=N fuzz/run.sh BUILD_DIR (default build-fuzz).
# New corpus entries, logs and crash inputs stay under BUILD_DIR/fuzz. Exit 1 if any crashed.
set -u
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
seeds=$(cd "$(dirname "$0")" && pwd)/seeds
status=0
for name in text collection gamefile settings cliinput; do
    # The command-line reader keeps lines up to 4096 bytes: its inputs go past that.
    maxlen=4096
    [ "$name" = cliinput ] && maxlen=8192
    for target in "fuzz_${name}_fast" "fuzz_$name"; do
        exe="$build/fuzz/$target"
        if [ ! -x "$exe" ]; then
            echo "$target: not built ($exe)"
            status=1
            continue
        fi
        corpus="$build/fuzz/corpus/$name"
        artifacts="$build/fuzz/artifacts/$target"
        log="$build/fuzz/$target.log"
        mkdir -p "$corpus" "$artifacts"
        "$exe" -max_total_time="$seconds" -max_len="$maxlen" -timeout=30 -print_final_stats=1 \
            -artifact_prefix="$artifacts/" "$corpus" "$seeds/$name" >"$log" 2>&1
        rc=$?
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        if [ "$rc" -eq 0 ]; then
            echo "$target: ${runs:-?} executions in ${seconds} s" \
                "($(( ${runs:-0} * 60 / seconds )) a minute), no crash"
        else
            echo "$target: FAILED (exit $rc) after ${runs:-?} executions; see $log and $artifacts"
            status=1
        fi
    done
done
exit $status
