#!/usr/bin/env python3
"""Compares the rows of the main window's list with the frame log of the simulated device.

usage: compare_rows.py DEVICE_LOG ROWS_FILE FIRST_TIME LAST_TIME

ROWS_FILE holds what `veskar-automate rows` printed: Seq, Time, Len and Data, tab-separated.
Every logged frame must be one row, in order: the same Seq and Len, the Data text decoded from
the frame's bytes, and a Time of the form HH:MM:SS between FIRST_TIME and LAST_TIME (the wall
clock around the run, HH:MM:SS). Prints each difference and exits with 1 if there is any.
"""
import re
import sys


def expected_frames(log_path):
    frames = []
    with open(log_path, encoding="ascii") as log:
        for line in log:
            if not line.strip() or line.startswith("#"):
                continue
            seq, length, *data = line.split()
            frames.append((int(seq), int(length), bytes(int(b, 16) for b in data)))
    return frames


def data_text(frame):
    """The row's Data text: the 7-bit address with r or w, then each data byte and a blank."""
    address = frame[0]
    text = "S<%02X:%s>" % (address >> 1, "r" if address & 1 else "w")
    return text + "".join("%02X " % byte for byte in frame[1:])


def seconds_of_day(clock):
    hours, minutes, seconds = (int(part) for part in clock.split(":"))
    return hours * 3600 + minutes * 60 + seconds


def report(problems, row_count, frame_count):
    """Prints the first differences and a summary; returns the exit status."""
    for problem in problems[:20]:
        print(problem)
    if len(problems) > 20:
        print("... and %d more" % (len(problems) - 20))
    print("%d rows compared with %d frames: %s" % (row_count, frame_count,
                                                   "differences" if problems else "all match"))
    return 1 if problems else 0


def main():
    log_path, rows_path, first_time, last_time = sys.argv[1:5]
    frames = expected_frames(log_path)
    with open(rows_path, encoding="utf-8", newline="\n") as rows_file:
        rows = [line.rstrip("\n").split("\t") for line in rows_file if line != "\n"]
    earliest, latest = seconds_of_day(first_time), seconds_of_day(last_time)
    problems = []
    if len(rows) != len(frames):
        problems.append("%d rows, but the device sent %d frames" % (len(rows), len(frames)))
    for index, (frame, row) in enumerate(zip(frames, rows)):
        seq, length, data = frame
        wanted = [str(seq), str(length), data_text(data)]
        if len(row) != 4:
            problems.append("row %d has %d columns: %r" % (index, len(row), row))
            continue
        got = [row[0], row[2], row[3]]
        if got != wanted:
            problems.append("row %d: Seq/Len/Data %r, expected %r" % (index, got, wanted))
        if not re.fullmatch(r"([01]\d|2[0-3]):[0-5]\d:[0-5]\d", row[1]):
            problems.append("row %d: Time %r is not HH:MM:SS" % (index, row[1]))
        elif earliest <= latest and not earliest <= seconds_of_day(row[1]) <= latest:
            problems.append("row %d: Time %s outside %s..%s" % (index, row[1], first_time, last_time))
    return report(problems, len(rows), len(frames))


if __name__ == "__main__":
    sys.exit(main())
