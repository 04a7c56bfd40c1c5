#!/usr/bin/env bash
# Accelerated soak of the recording path, optimised and without sanitizers: scanner, row texts and
# the recorder's file rotation over N frames (default 10 million transactions), every file read back.
#   scripts/soak.sh [transactions]
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/soak
mkdir -p "$out"
sources=(bench/soak/soak.cpp capture/capture_buffer.cpp capture/frame_scanner.cpp
         capture/frame_row.cpp logs/log_file_format.cpp)
if [ ! -x "$out/soak" ] || [ -n "$(find "${sources[@]}" capture/*.h logs/*.h -newer "$out/soak")" ]; then
    echo "building $out/soak"
    g++ -std=c++20 -O2 -DNDEBUG -Wall -Wextra -Werror -I. "${sources[@]}" -o "$out/soak"
fi
"$out/soak" "${1:-10000000}"
