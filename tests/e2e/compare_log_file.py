#!/usr/bin/env python3
"""Compares a recorded frame log file with the frame logs of the simulated device.

usage: compare_log_file.py LOG_FILE FIRST_TIME LAST_TIME DEVICE_LOG [DEVICE_LOG...]

LOG_FILE is file 0 of a recording: the header line "Seq\\tTime\\tLen\\tData\\n", then one line per
frame that the devices sent, in the order of the DEVICE_LOGs, numbered on from 1 across them.
The file is compared byte for byte with the lines those frames make; only the Time field is
taken from the file, after checking that it reads HH:MM:SS between FIRST_TIME and LAST_TIME
(the wall clock around the recording). No CR anywhere, nothing after the last LF. Prints each
difference and exits with 1 if there is any.
"""
import re
import sys

from compare_rows import data_text, expected_frames, report, seconds_of_day

HEADER = b"Seq\tTime\tLen\tData\n"
TIME = re.compile(rb"([01]\d|2[0-3]):[0-5]\d:[0-5]\d")


def main():
    log_file, first_time, last_time, *device_logs = sys.argv[1:]
    frames = [frame for log in device_logs for frame in expected_frames(log)]
    with open(log_file, "rb") as content_file:
        content = content_file.read()
    earliest, latest = seconds_of_day(first_time), seconds_of_day(last_time)
    problems = []
    if b"\r" in content:
        problems.append("the file holds a CR byte at offset %d" % content.index(b"\r"))
    lines = content.split(b"\n")
    if lines[-1] != b"":
        problems.append("the file does not end with an LF: %r" % lines[-1][-40:])
    rows = lines[1:-1]
    if len(rows) != len(frames):
        problems.append("%d rows, but the devices sent %d frames" % (len(rows), len(frames)))

    expected = bytearray(HEADER)
    for seq, (frame, row) in enumerate(zip(frames, rows), start=1):
        _, length, data = frame
        fields = row.split(b"\t")
        time = fields[1] if len(fields) == 4 else b"??:??:??"
        if not TIME.fullmatch(time):
            problems.append("row %d: Time %r is not HH:MM:SS" % (seq, time))
        elif earliest <= latest and not earliest <= seconds_of_day(time.decode()) <= latest:
            problems.append("row %d: Time %s outside %s..%s" % (seq, time.decode(), first_time,
                                                                last_time))
        expected += b"%d\t%s\t%d\t%s\n" % (seq, time, length, data_text(data).encode("ascii"))
    if len(rows) == len(frames) and bytes(expected) != content:
        at = next(i for i, (a, b) in enumerate(zip(expected + b"\0", content + b"\0")) if a != b)
        line = content.count(b"\n", 0, at)
        problems.append("the bytes differ first at offset %d (line %d): file %r, expected %r" %
                        (at, line + 1, lines[line] if line < len(lines) else b"",
                         bytes(expected).split(b"\n")[line]))

    return report(problems, len(rows), len(frames))


if __name__ == "__main__":
    sys.exit(main())
