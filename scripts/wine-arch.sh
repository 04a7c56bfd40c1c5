#!/usr/bin/env bash
# Prints which Wine this machine can run: "win32" when the kernel executes 32-bit programs (so
# wine32 works and the 32-bit exe is tested as it ships), "win64" otherwise (64-bit Wine only;
# the same sources are then tested as a 64-bit build).
if [ -x /usr/lib/wine/wineserver32 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
    echo win32
else
    echo win64
fi
