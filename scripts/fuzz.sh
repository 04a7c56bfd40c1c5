#!/usr/bin/env bash
# Builds the capture-core fuzz target with libFuzzer, AddressSanitizer and UBSan, and runs it for
# a fixed time (default 60 s) from the committed seed corpus. Exits non-zero on any crash or
# broken invariant; prints executions, coverage and time.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"

sources=(fuzz/scanner_fuzzer.cpp capture/capture_buffer.cpp capture/frame_scanner.cpp
         capture/frame_row.cpp)
if [ ! -x "$out/scanner_fuzzer" ] || [ -n "$(find "${sources[@]}" capture/*.h -newer "$out/scanner_fuzzer")" ]; then
    echo "building $out/scanner_fuzzer"
    clang++ -std=c++20 -O2 -g -Wall -Wextra -Werror -I. \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
        "${sources[@]}" -o "$out/scanner_fuzzer"
fi

# The working corpus grows in the build dir; the committed seeds stay as they are.
log="$out/last-run.log"
start=$(date +%s)
status=0
"$out/scanner_fuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len=8192 \
    -artifact_prefix="$out/artifacts/" "$out/corpus" fuzz/corpus >"$log" 2>&1 || status=$?
elapsed=$(( $(date +%s) - start ))

last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
echo "fuzz: ${execs:-?} executions in ${elapsed} s (${rate:-?}/s)"
echo "fuzz: last status: ${last:-none}"
if [ "$status" -ne 0 ]; then
    echo "fuzz: FAILED (exit $status); log follows" >&2
    tail -n 60 "$log" >&2
    exit "$status"
fi
