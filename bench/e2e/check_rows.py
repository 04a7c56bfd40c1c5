#!/usr/bin/env python3
"""Checks that the list accounts for every frame the simulated device sent, once each.

usage: check_rows.py DEVICE_LOG ROWS_FILE FRAMENUM

The list holds at most 200000 rows; the next frame empties it and numbering starts again at 1,
so after N frames it holds the last (N - 1) % 200000 + 1 of them. Every row must be the logged
frame it stands for (Seq, Len and the Data text of its bytes), the Seq run must go from 1
without a gap or a repeat, and FRAMENUM (the field's text) must be the last Seq. Prints one
summary line, or every difference and exits with 1.
"""
import sys

LIST_LIMIT = 200000


def logged_frames(path):
    frames = []
    with open(path, encoding="ascii") as log:
        for line in log:
            if line.startswith("#") or not line.strip():
                continue
            seq, length, *data = line.split()
            if int(seq) != len(frames) + 1:
                raise SystemExit("the log is out of order at Seq %s" % seq)
            frames.append((int(length), bytes(int(b, 16) for b in data)))
    return frames


def data_text(frame):
    address = frame[0]
    text = "S<%02X:%s>" % (address >> 1, "r" if address & 1 else "w")
    return text + "".join("%02X " % byte for byte in frame[1:])


def main():
    log_path, rows_path, frame_num = sys.argv[1:4]
    frames = logged_frames(log_path)
    with open(rows_path, encoding="utf-8", newline="\n") as rows_file:
        rows = [line.rstrip("\n").split("\t") for line in rows_file if line != "\n"]
    sent = len(frames)
    held = (sent - 1) % LIST_LIMIT + 1 if sent else 0
    first = sent - held  # frames before the last wrap: not in the list any more
    problems = []
    if len(rows) != held:
        problems.append("%d rows, expected %d of %d frames sent" % (len(rows), held, sent))
    if frame_num != str(held):
        problems.append("FrameNum shows %s, expected %d" % (frame_num, held))
    for index, row in enumerate(rows[:held]):
        length, data = frames[first + index]
        wanted = [str(index + 1), str(length), data_text(data)]
        got = [row[0], row[2], row[3]] if len(row) == 4 else row
        if got != wanted:
            problems.append("row %d: got %r, expected %r" % (index + 1, row, wanted))
            if len(problems) > 20:
                break
    if problems:
        print("\n".join(problems))
        return 1
    print("rows: %d held, Seq 1..%d without gaps, every row is frame %d + its Seq of %d sent;"
          " lost 0, shown twice 0" % (held, held, first, sent))
    return 0


if __name__ == "__main__":
    sys.exit(main())
