#!/usr/bin/env bash
# Static analysis of the project's own code, failing on any finding:
#  - clang-tidy with the checked-in .clang-tidy, on the native build's compilation database for
#    the platform-neutral code and on the 64-bit Windows build's database (clang told the MinGW
#    target and the MinGW C++ library headers) for the Win32 code;
#  - cppcheck (warnings, performance, portability) over the same sources.
# The fuzz target and the soak program are analysed natively as well. Third-party code
# (GoogleTest) and the tests are not analysed.
#   scripts/static-analysis.sh [clang-tidy|cppcheck]   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
jobs=2
native=build/analysis-native
win=build/analysis-win64
root=$(pwd)
own="^$root/(capture|logs|framework|ui|tools)/"

configure() {  # preset, build dir
    cmake --preset "$1" -B "$2" >/dev/null
}

# The project's own translation units in a compilation database, without tests.
sources_of() {
    grep -o '"file": "[^"]*"' "$1/compile_commands.json" | sed 's/^"file": "//; s/"$//' |
        grep -E "$own" | grep -v '/tests/' | grep -E '\.cpp$' | sort -u
}

mingw_args() {
    local gcc_dir cxx
    gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
    cxx="$gcc_dir/include/c++"
    printf '%s\n' --extra-arg=--target=x86_64-w64-mingw32 \
        "--extra-arg=-isystem$cxx" "--extra-arg=-isystem$cxx/x86_64-w64-mingw32" \
        "--extra-arg=-isystem$cxx/backward"
}

# The Windows sources, leaving out the platform-neutral ones that the native pass has covered
# already (those without a _WIN32 branch): each Windows translation unit parses <windows.h>.
windows_only_sources() {
    comm -13 <(sources_of "$native") <(sources_of "$win")
    comm -12 <(sources_of "$native") <(sources_of "$win") | xargs -r grep -l '_WIN32' || true
}

run_clang_tidy() {  # build dir, extra args... (the files come on stdin)
    local dir=$1
    shift
    xargs -r -P "$jobs" -n 4 clang-tidy -p "$dir" --quiet "$@" 2>/dev/null
}

status=0
if [ "$what" = all ] || [ "$what" = clang-tidy ]; then
    echo "clang-tidy: native sources"
    configure native "$native"
    sources_of "$native" | run_clang_tidy "$native" || status=1
    echo "clang-tidy: Windows sources (x86_64-w64-mingw32)"
    configure win64 "$win"
    mapfile -t extra < <(mingw_args)
    windows_only_sources | run_clang_tidy "$win" "${extra[@]}" || status=1
    echo "clang-tidy: fuzz target and soak"
    clang-tidy --quiet fuzz/scanner_fuzzer.cpp bench/soak/soak.cpp -- -std=c++20 -I . \
        2>/dev/null || status=1
fi

if [ "$what" = all ] || [ "$what" = cppcheck ]; then
    echo "cppcheck"
    mkdir -p "$native/cppcheck"
    cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ -I . \
        --enable=warning,performance,portability --inline-suppr \
        --cppcheck-build-dir="$native/cppcheck" -j "$jobs" \
        -i tools/simdevice/tests -i tools/automate/tests \
        capture logs framework ui tools || status=1
fi

if [ "$status" -ne 0 ]; then
    echo "static analysis: findings above" >&2
    exit 1
fi
echo "static analysis: clean"
