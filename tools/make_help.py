#!/usr/bin/env python3
"""Compiles one language's help sources (a folder with Help.hhp) to Help.chm with chmcmd.

chmcmd writes next to its project file, so the sources are copied to a scratch folder first
and only the finished file is moved into place.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--chmcmd", default="chmcmd", help="the CHM compiler")
    parser.add_argument("--source", required=True, help="folder holding Help.hhp and its pages")
    parser.add_argument("--out", required=True, help="the Help.chm to write")
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.source, "Help.hhp")):
        sys.exit("error: no Help.hhp in %s" % args.source)
    with tempfile.TemporaryDirectory(prefix="vistrel-help-") as scratch:
        work = os.path.join(scratch, "src")
        shutil.copytree(args.source, work)
        result = subprocess.run([args.chmcmd, "--no-html-scan", "Help.hhp"], cwd=work,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        built = os.path.join(work, "Help.chm")
        if result.returncode != 0 or not os.path.isfile(built):
            sys.stderr.write(result.stdout)
            sys.exit("error: chmcmd failed for %s" % args.source)
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        shutil.copyfile(built, args.out + ".tmp")
        os.replace(args.out + ".tmp", args.out)


if __name__ == "__main__":
    main()
