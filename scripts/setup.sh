#!/usr/bin/env bash
# Installs everything Veskar's builds and tests need on Debian 12. Idempotent: when all is
# there it only checks and returns within a second.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang clang-format clang-tidy cppcheck libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev
    wine wine64 wine32:i386 xvfb xauth x11-utils xdotool imagemagick socat fonts-wqy-zenhei
    procps psmisc python3 locales
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
echo "setup: done"
