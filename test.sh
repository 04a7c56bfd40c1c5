#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test:
#  1. the native core under AddressSanitizer and UndefinedBehaviorSanitizer,
#  2. the 32-bit Windows program (the product),
#  3. the Win32 tests and the end-to-end tests under Wine, in a private throw-away session;
#  4. short reliability runs: a minute of fuzzing the capture core, a soak of the recording path
#     over a million transactions, and static analysis, each failing the run on a finding.
# On a machine whose kernel cannot run 32-bit code, step 3 runs the same sources built for
# 64-bit Windows under a 64-bit Wine (see scripts/wine-arch.sh).
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n=== %s\n' "$*"; }

step "setup"
scripts/setup.sh

step "native build and tests (ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "32-bit Windows program"
cmake --preset win32 >/dev/null
cmake --build --preset win32

arch=$(scripts/wine-arch.sh)
if [ "$arch" != win32 ]; then
    step "this kernel runs no 32-bit code: building the tests for 64-bit Windows as well"
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
fi

step "Win32 and end-to-end tests under Wine ($arch)"
scripts/wine-session.sh ctest --preset "$arch"

step "fuzzing the frame scanner (60 s)"
scripts/fuzz.sh 60

step "soak of the recording path (1 million transactions)"
scripts/soak.sh 1000000

step "static analysis (clang-tidy, cppcheck)"
scripts/static-analysis.sh
