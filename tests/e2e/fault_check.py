#!/usr/bin/env python3
"""Checks for the fault scripts: what the program shows or wrote against the device's frame log.

  fault_check.py rows DEVICE_LOG ROWS_FILE [--last-may-be-cut | --any-may-be-cut]
      Every row (as `veskar-automate rows` prints them) is the logged frame of the same place:
      the same Seq (the row's place in the list), Len and Data. The helper reads at most 1023
      characters of a text, so a Data text of that length only has to begin the expected one.
      With --last-may-be-cut the last row may show only the first bytes of its frame (the line
      went away while the frame was on its way); with --any-may-be-cut every row may (a sender
      that stalls for a whole tick inside a long frame ends it there); prints how many were.

  fault_check.py recording DEVICE_LOG LOG_FILE FIRST_FRAME [--header] [--partial-end]
      LOG_FILE is a recorded frame log: with --header it begins with the header line; then the
      logged frames FIRST_FRAME, FIRST_FRAME + 1, ... one complete line each, Seq from 1 without
      a gap or repeat. With --partial-end the file may end in the cut-off start of the next line.
      Prints the number of complete lines.
"""
import sys

from compare_rows import data_text, expected_frames

HEADER = "Seq\tTime\tLen\tData\n"
AUTOMATE_TEXT_LIMIT = 1023


def logged_frames(path):
    """The logged frames in order, each as (Len, bytes)."""
    return [(length, data) for _, length, data in expected_frames(path)]


def check_rows(log_path, rows_path, last_may_be_cut, any_may_be_cut):
    first = 1
    cut = 0
    frames = logged_frames(log_path)
    with open(rows_path, encoding="utf-8", newline="\n") as rows_file:
        rows = [line.rstrip("\n").split("\t") for line in rows_file if line != "\n"]
    if first - 1 + len(rows) > len(frames):
        return "%d rows from frame %d, but the device logged %d" % (len(rows), first, len(frames))
    for index, row in enumerate(rows):
        length, data = frames[first - 1 + index]
        may_be_cut = any_may_be_cut or (last_may_be_cut and index == len(rows) - 1)
        if may_be_cut and len(row) == 4 and row[2].isdigit() and 1 <= int(row[2]) < length:
            length = int(row[2])
            data = data[:length]
            cut += 1
        wanted = data_text(data)
        if len(row) != 4 or row[0] != str(index + 1) or row[2] != str(length):
            return "row %d: %r, expected Seq %d, Len %d" % (index + 1, row[:3], index + 1, length)
        if row[3] != wanted and not (len(row[3]) == AUTOMATE_TEXT_LIMIT and
                                     wanted.startswith(row[3])):
            return "row %d: Data %.60r..., expected %.60r..." % (index + 1, row[3], wanted)
    print("%d rows match the logged frames %d to %d, %d of them cut short" %
          (len(rows), first, first + len(rows) - 1, cut))
    return None


def check_recording(log_path, file_path, first, header, partial_end):
    frames = logged_frames(log_path)
    with open(file_path, "rb") as recorded:
        content = recorded.read().decode("ascii")
    if header:
        if not content.startswith(HEADER):
            return "no header line: %.40r" % content
        content = content[len(HEADER):]
    lines = content.split("\n")
    rest = lines.pop()  # after the last line end: empty, or a cut-off line
    if rest and not partial_end:
        return "the file ends in a line without its end: %.60r" % rest
    for index, line in enumerate(lines + ([rest] if rest else [])):
        frame_index = first - 1 + index
        if frame_index >= len(frames):
            return "line %d: more lines than the device sent frames" % (index + 1)
        length, data = frames[frame_index]
        fields = line.split("\t")
        complete = index < len(lines)
        wanted = [str(index + 1), str(length), data_text(data)]
        if complete:
            if len(fields) != 4 or [fields[0], fields[2], fields[3]] != wanted:
                return "line %d: %.80r, expected Seq/Len/Data %.80r" % (index + 1, line, wanted)
        else:
            time = fields[1] if len(fields) > 1 else "00:00:00"
            expected_line = "\t".join([wanted[0], time, wanted[1], wanted[2]])
            if not expected_line.startswith(line):
                return "the cut-off last line %.80r does not begin line %d" % (line, index + 1)
    print("%d complete lines, frames %d to %d%s" % (len(lines), first, first + len(lines) - 1,
                                                   ", then a cut-off line" if rest else ""))
    return None


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "rows":
        problem = check_rows(args[0], args[1], "--last-may-be-cut" in args[2:],
                             "--any-may-be-cut" in args[2:])
    elif command == "recording":
        problem = check_recording(args[0], args[1], int(args[2]), "--header" in args[3:],
                                  "--partial-end" in args[3:])
    else:
        sys.exit(__doc__)
    if problem:
        print("MISMATCH: " + problem, file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
