#!/usr/bin/env python3
"""Compiles the help pages of this folder into Pastrel.chm, the same bytes at every build of the same pages.

    build_chm.py CHMCMD STAGE CHM

STAGE is emptied and receives the pages under _RESOURCE/ and the project, contents and index in Shift_JIS (CP932),
the code page of a Japanese help file; CHM is the compiled file. chmcmd itself writes the time of day into the file
header and into #SYSTEM: both are set to one time, that of SOURCE_DATE_EPOCH when set, else midnight. Its binary
index holds two bytes of uninitialised memory inside the compressed section, so the project asks for the text index
instead (the viewer reads Pastrel.hhk from the file). The pages go in the order of the project's [FILES] list.
"""
import os
import shutil
import struct
import subprocess
import sys
from pathlib import Path

SOURCE = Path(__file__).resolve().parent
PROJECT_FILES = ("Pastrel.hhp", "Pastrel.hhc", "Pastrel.hhk")
SYSTEM_TIMESTAMP = 10  # the #SYSTEM record that holds the compile time


def encint(data, i):
    """A CHM directory's variable-length integer at i: (value, next position)."""
    value = 0
    while True:
        byte = data[i]
        i += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, i


def uncompressed_entries(chm):
    """(name, position, length) of every file of the uncompressed section, from the directory's listing chunks."""
    directory, directory_length = struct.unpack_from("<QQ", chm, 0x48)
    content = struct.unpack_from("<Q", chm, 0x58)[0]
    header_length = struct.unpack_from("<I", chm, directory + 0x08)[0]
    chunk_size = struct.unpack_from("<I", chm, directory + 0x10)[0]
    for chunk in range(directory + header_length, directory + directory_length, chunk_size):
        if chm[chunk : chunk + 4] != b"PMGL":
            continue
        end = chunk + chunk_size - struct.unpack_from("<I", chm, chunk + 4)[0]
        i = chunk + 20
        while i < end:
            length, i = encint(chm, i)
            name = bytes(chm[i : i + length])
            i += length
            section, i = encint(chm, i)
            offset, i = encint(chm, i)
            size, i = encint(chm, i)
            if section == 0:
                yield name, content + offset, size


def set_compile_time(chm, milliseconds_of_day):
    struct.pack_into(">I", chm, 0x10, milliseconds_of_day)  # the header's, big-endian
    for name, position, size in uncompressed_entries(chm):
        if name != b"/#SYSTEM":
            continue
        record, end = position + 4, position + size  # after the file's version
        while record + 4 <= end:
            code, length = struct.unpack_from("<HH", chm, record)
            if code == SYSTEM_TIMESTAMP and length >= 4:
                struct.pack_into("<I", chm, record + 4, milliseconds_of_day)
            record += 4 + length
        return True
    return False


def main(chmcmd, stage, out):
    stage, out = Path(stage), Path(out)
    shutil.rmtree(stage, ignore_errors=True)
    (stage / "_RESOURCE").mkdir(parents=True)
    for page in sorted(SOURCE.glob("*.html")) + [SOURCE / "help.css"]:
        shutil.copyfile(page, stage / "_RESOURCE" / page.name)
    for name in PROJECT_FILES:
        with open(stage / name, "wb") as recoded:
            subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932", str(SOURCE / name)], stdout=recoded, check=True)
    # chmcmd's own link scan is off: it misplaces anchors of pages in a subfolder and reports them all as undefined.
    # tests/help/check_help.py checks the links instead; a file missing from the project makes chmcmd fail.
    run = subprocess.run([chmcmd, "--no-html-scan", "--verbosity", "0", "Pastrel.hhp"], cwd=stage,
                         capture_output=True, text=True)
    compiled = stage / "Pastrel.chm"
    if run.returncode != 0 or not compiled.is_file() or compiled.stat().st_size == 0:
        sys.exit(f"chmcmd failed:\n{run.stdout}{run.stderr}")
    chm = bytearray(compiled.read_bytes())
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    if not set_compile_time(chm, (epoch % 86400) * 1000):
        sys.exit(f"{compiled}: no #SYSTEM file")
    partial = out.with_name(out.name + ".partial")
    partial.write_bytes(chm)
    partial.replace(out)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
