#!/usr/bin/env python3
"""Renders every score (*.score) of a folder to a General MIDI file in the output folder."""

import argparse
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from resgen import score  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--scores", required=True, help="folder of .score files")
    parser.add_argument("--out", required=True, help="the music folder to fill")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    paths = sorted(glob.glob(os.path.join(args.scores, "*.score")))
    if not paths:
        sys.exit("no scores in %s" % args.scores)
    for path in paths:
        with open(path, encoding="utf-8") as f:
            try:
                parsed = score.parse(f.read(), os.path.basename(path))
                data = score.render(parsed)
            except score.ScoreError as error:
                sys.exit("error: %s" % error)
        # The build knows the outputs from the score names, so the two must agree.
        expected = os.path.splitext(os.path.basename(path))[0] + ".mid"
        if parsed.filename != expected:
            sys.exit("error: %s must name its file %r" % (path, expected))
        target = os.path.join(args.out, parsed.filename)
        with open(target + ".tmp", "wb") as f:
            f.write(data)
        os.replace(target + ".tmp", target)


if __name__ == "__main__":
    main()
