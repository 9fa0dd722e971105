#!/usr/bin/env python3
"""The .deb's launcher runs the program from a per-user copy of the program folder: binaries
copied and refreshed on upgrade, read-only folders linked, the music folder the user's own
with each shipped piece offered once."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from common import Checks, arguments  # noqa: E402

ARGS = arguments()
LAUNCHER = os.path.join(ARGS.source_dir, "resources", "linux", "vistrel.sh")


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


def launch(shared, home, *args):
    env = dict(os.environ, VISTREL_SHARED_DIR=shared, VISTREL_HOME=home)
    return subprocess.run(["sh", LAUNCHER, *args], env=env, capture_output=True, text=True,
                          timeout=30)


def test_launcher(c):
    with tempfile.TemporaryDirectory() as tmp:
        shared, home = os.path.join(tmp, "opt"), os.path.join(tmp, "home", "Vistrel")
        # A stand-in program that reports where it runs from.
        write(os.path.join(shared, "Vistrel"), '#!/bin/sh\necho "v1 $(dirname "$0")"\n', 0o755)
        write(os.path.join(shared, "Hook.so"), "hook")
        write(os.path.join(shared, "Language", "English 1033.ini"), "[Message]\n")
        write(os.path.join(shared, "Help", "1033", "Help.chm"), "chm")
        write(os.path.join(shared, "Music", "Canon in D.mid"), "MThd")
        write(os.path.join(shared, "Music", "Other.mid"), "MThd")
        write(os.path.join(shared, "Music", "Info", "MusicInfo-1033.dat"), "Other.mid=x\n")

        run = launch(shared, home)
        c.check(run.returncode == 0 and run.stdout.strip() == "v1 " + home,
                 "the program did not run from the user's folder: %r %r" % (run.stdout, run.stderr))
        c.check(not os.path.islink(os.path.join(home, "Vistrel")), "the executable must be a copy")
        c.check(os.path.isfile(os.path.join(home, "Language", "English 1033.ini")), "languages not reachable")
        c.check(os.path.isfile(os.path.join(home, "Help", "1033", "Help.chm")), "help not reachable")
        music = sorted(os.listdir(os.path.join(home, "Music")))
        c.check(music == ["Canon in D.mid", "Info", "Other.mid"], "music folder holds %s" % music)
        c.check(os.path.isfile(os.path.join(home, "Music", "Info", "MusicInfo-1033.dat")), "no descriptions")
        # The user's own changes: a deleted piece stays deleted, an added one stays.
        os.remove(os.path.join(home, "Music", "Other.mid"))
        write(os.path.join(home, "Music", "Mine.m3u"), "/somewhere/Mine.mp3\r\n")
        write(os.path.join(home, "Vistrel - me.ini"), "[Settings]\n")
        # An upgrade: a new executable and a new piece.
        write(os.path.join(shared, "Vistrel"), '#!/bin/sh\necho "v2 $(dirname "$0")"\n', 0o755)
        write(os.path.join(shared, "Music", "New.mid"), "MThd")
        run = launch(shared, home)
        c.check(run.stdout.strip() == "v2 " + home, "the upgraded program was not copied: %r" % run.stdout)
        music = sorted(os.listdir(os.path.join(home, "Music")))
        c.check(music == ["Canon in D.mid", "Info", "Mine.m3u", "New.mid"], "after an upgrade the music is %s" % music)
        c.check(os.path.isfile(os.path.join(home, "Vistrel - me.ini")), "the settings file was lost")

        # F4 bound in the compositor: the switch goes straight to the user's copy, and the
        # folder is not refreshed on the way (that waits for the next start).
        write(os.path.join(shared, "Vistrel"), '#!/bin/sh\necho "v3 $*"\n', 0o755)
        run = launch(shared, home, "--end-rest")
        c.check(run.stdout.strip() == "v2 " + home, "--end-rest did not reach the copy: %r" % run.stdout)

        run = launch(os.path.join(tmp, "nowhere"), home)
        c.check(run.returncode != 0 and "missing" in run.stderr, "a missing installation is not reported")


Checks().run(test_launcher)
