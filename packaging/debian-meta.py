#!/usr/bin/env python3
"""Writes the generated parts of the Debian packaging to stdout.

  debian-meta.py changelog CHANGELOG.md VERSION DATE
      debian/changelog from CHANGELOG.md: one entry per "## x.y.z — date"
      section, newest first; an "## Unreleased" section becomes VERSION,
      dated DATE (RFC 2822).
  debian-meta.py copyright LICENSE
      debian/copyright (machine-readable format) carrying LICENSE.
"""
import email.utils
import re
import sys
import textwrap
from datetime import datetime, timezone

PACKAGE = "orv00006"
MAINTAINER = "ORV00006 developers <orv00006@pdv.invalid>"
REVISION = "-1"


def sections(markdown):
    """(heading, [bullet text]) for every "## " section."""
    out = []
    for line in markdown.splitlines():
        if line.startswith("## "):
            out.append((line[3:].strip(), []))
        elif out and line.startswith("- "):
            out[-1][1].append(line[2:].strip())
        elif out and line.startswith("  ") and line.strip() and out[-1][1]:
            out[-1][1][-1] += " " + line.strip()
    return out


def changelog(markdown, version, date):
    entries = []
    for heading, bullets in sections(markdown):
        if heading.lower() == "unreleased":
            entry_version, entry_date = version, date
        else:
            m = re.match(r"(\d+\.\d+\.\d+)\s*\S*\s*(\d{4}-\d{2}-\d{2})$", heading)
            if not m:
                sys.exit(f"CHANGELOG.md: cannot read the heading '## {heading}'")
            day = datetime.strptime(m.group(2), "%Y-%m-%d").replace(tzinfo=timezone.utc)
            entry_version, entry_date = m.group(1) + REVISION, email.utils.format_datetime(day)
        if not bullets:
            bullets = ["No changes noted."]
        lines = [f"{PACKAGE} ({entry_version}) unstable; urgency=medium", ""]
        for b in bullets:
            lines += textwrap.wrap(b, width=78, initial_indent="  * ", subsequent_indent="    ",
                                   break_on_hyphens=False)
        lines += ["", f" -- {MAINTAINER}  {entry_date}"]
        entries.append("\n".join(lines))
    if not entries:
        sys.exit("CHANGELOG.md has no sections")
    return "\n\n".join(entries) + "\n"


def copyright(license_text):
    lines = license_text.strip().splitlines()
    holder = next((l for l in lines if l.startswith("Copyright")), None)
    if holder is None:
        sys.exit("LICENSE names no copyright holder")
    year_and_name = re.sub(r"^Copyright\s*(\(c\)\s*)?", "", holder)
    body = [l for l in lines[lines.index(holder) + 1:]]
    while body and not body[0].strip():
        body.pop(0)
    text = "\n".join(" " + l if l.strip() else " ." for l in body)
    return (
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        f"Upstream-Name: {PACKAGE}\n\n"
        "Files: *\n"
        f"Copyright: {year_and_name}\n"
        "License: Expat\n"
        f"{text}\n"
    )


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "changelog":
        with open(sys.argv[2], encoding="utf-8") as f:
            sys.stdout.write(changelog(f.read(), sys.argv[3], sys.argv[4]))
    elif len(sys.argv) == 3 and sys.argv[1] == "copyright":
        with open(sys.argv[2], encoding="utf-8") as f:
            sys.stdout.write(copyright(f.read()))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
