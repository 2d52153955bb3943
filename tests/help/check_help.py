#!/usr/bin/env python3
"""Checks the built help: every topic Pastrel opens is inside Pastrel.chm under _RESOURCE/, and every relative link
and anchor of the pages, and of the contents and index, leads somewhere that exists.

Usage: check_help.py CHMLS PASTREL_CHM PLAIN_HELP_DIR HELP_SOURCE_DIR PROGRAM_SOURCE_DIR
"""
import re
import subprocess
import sys
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import unquote, urlsplit

# The topics the program opens (menu Help, the dialogs' Help buttons, "/?"); the program's sources are searched for
# further ones, so that a topic added there cannot go without a page.
TOPICS = {"HLP000001.html", "HLP000011.html", "HLP000017.html#mul_by_n", "HLP000018.html",
          "HLP000018.html#shortcutkey", "HLP000021.html"}
START = "HLP000001.html"


class Page(HTMLParser):
    def __init__(self, text):
        super().__init__()
        self.anchors, self.links = set(), []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.anchors.add(attrs["id"])
        if tag == "a" and "name" in attrs:
            self.anchors.add(attrs["name"])
        if tag == "param" and (attrs.get("name") or "").lower() == "local":
            self.links.append(attrs.get("value") or "")
        for key in ("href", "src"):
            if key in attrs:
                self.links.append(attrs[key] or "")


def topics_named_by_program(source_dir):
    found = set()
    for path in source_dir.glob("*/*.cpp"):
        if path.parts[-2] != "tests":
            found.update(re.findall(r"HLP\d{6}\.html(?:#\w+)?", path.read_text(encoding="utf-8", errors="replace")))
    return found


def main(chmls, chm, plain_dir, help_source, program_source):
    errors = []
    listing = subprocess.run([chmls, "-n", "list", str(chm)], capture_output=True, text=True, check=True).stdout
    in_chm = {line.strip() for line in listing.splitlines() if line.startswith("/")}
    pages = {p.name: Page(p.read_text(encoding="utf-8")) for p in sorted(plain_dir.glob("*.html"))}
    if not pages:
        errors.append(f"no pages in {plain_dir}")

    for topic in sorted(TOPICS | topics_named_by_program(program_source)):
        name, _, anchor = topic.partition("#")
        if "/_RESOURCE/" + name not in in_chm:
            errors.append(f"{topic}: not in {chm.name} under _RESOURCE/")
        if name not in pages:
            errors.append(f"{topic}: no page {plain_dir.name}/{name}")
        elif anchor and anchor not in pages[name].anchors:
            errors.append(f"{topic}: no anchor '{anchor}' in {name}")
    for file in sorted(p.name for p in plain_dir.iterdir()):
        if "/_RESOURCE/" + file not in in_chm:
            errors.append(f"{file}: in {plain_dir.name}/ but not in {chm.name}")

    def check_link(origin, link, base):
        target = urlsplit(link)
        if target.scheme or target.netloc:
            return
        name = unquote(target.path)
        if base and name.startswith(base):
            name = name[len(base):]
        elif base:
            errors.append(f"{origin}: '{link}' is not under {base}")
            return
        name = name or origin
        if name not in pages and not (plain_dir / name).is_file():
            errors.append(f"{origin}: link '{link}' leads to no file")
        elif target.fragment and target.fragment not in pages.get(name, Page("")).anchors:
            errors.append(f"{origin}: link '{link}' leads to no anchor")

    for name, page in pages.items():
        for link in page.links:
            check_link(name, link, "")
        if name != START and START not in page.links:
            errors.append(f"{name}: no link to the start page {START}")
    start_targets = {urlsplit(link).path for link in pages.get(START, Page("")).links}
    for name in sorted(set(pages) - start_targets - {START}):
        errors.append(f"{START}: no link to {name}")
    for project_file in ("Pastrel.hhc", "Pastrel.hhk"):
        for link in Page((help_source / project_file).read_text(encoding="utf-8")).links:
            check_link(project_file, link, "_RESOURCE/")

    for error in errors:
        print(error)
    print(f"{len(pages)} pages, {len(in_chm)} entries in {chm.name}: {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], *map(Path, sys.argv[2:])))
