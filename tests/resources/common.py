"""Shared helpers of the resource checks: arguments, a reader with the profile-file rules
the program applies to language files, and a tiny test runner."""

import argparse
import os
import re
import sys
import traceback


def arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program-dir", required=True)
    parser.add_argument("--image-dir")
    parser.add_argument("--source-dir", required=True)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.source_dir, "tools"))
    return args


def profile_value(raw):
    """A value as the profile functions return it: surrounding blanks removed, then one pair
    of enclosing double quotes."""
    value = raw.strip()
    if len(value) >= 2 and value[0] == value[-1] == '"':
        value = value[1:-1]
    return value


def read_profile(text):
    """Returns [(section, [(key, raw value, value)])] in file order; keys before the first
    section are comments and are ignored, as are lines starting with ';'."""
    sections = []
    current = None
    for line in text.splitlines():
        stripped = line.strip()
        if not stripped or stripped.startswith(";"):
            continue
        m = re.match(r"^\[(.*)\]$", stripped)
        if m:
            current = (m.group(1), [])
            sections.append(current)
            continue
        if current is None:
            continue
        key, sep, raw = line.partition("=")
        if not sep:
            raise ValueError("line without '=' in section [%s]: %r" % (current[0], line))
        current[1].append((key.strip(), raw, profile_value(raw)))
    return sections


class Checks:
    """Collects failures so one run reports every problem, then exits non-zero."""

    def __init__(self):
        self.failures = []
        self.count = 0

    def check(self, condition, message):
        self.count += 1
        if not condition:
            self.failures.append(message)
        return condition

    def run(self, *groups):
        for group in groups:
            try:
                group(self)
            except Exception:  # a crash in one group is a failure, the others still run
                self.failures.append("%s crashed:\n%s" % (group.__name__, traceback.format_exc()))
        for failure in self.failures:
            print("FAIL:", failure)
        passed = self.count - len(self.failures)
        print("%d passed, %d failed" % (max(passed, 0), len(self.failures)))
        sys.exit(1 if self.failures else 0)
