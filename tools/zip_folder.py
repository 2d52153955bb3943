#!/usr/bin/env python3
"""Writes a folder into a zip whose bytes depend only on the folder's names and contents.

    zip_folder.py ZIP FOLDER EPOCH

The zip holds FOLDER under its own name, each directory as an entry of its own. Entries are sorted by name, all
carry the time EPOCH (seconds since 1970, written as UTC: zip times have no zone), and they are marked as made on
MS-DOS with the plain attributes of a new directory or file, so that neither the files' times nor their Unix owners and modes
reach the zip. The zip is written beside ZIP first and renamed when complete.
"""
import os
import sys
import time
import zipfile

MSDOS = 0
DIRECTORY_ATTRIBUTE = 0x10
ARCHIVE_ATTRIBUTE = 0x20  # what Windows gives a new file; zipfile would put Unix modes in place of no attribute


def entries(folder):
    """(name in the zip, path on disk or None for a directory) for FOLDER and everything under it."""
    parent = os.path.dirname(os.path.abspath(folder))
    found = []
    for directory, _, files in os.walk(folder):
        name = os.path.relpath(directory, parent).replace(os.sep, "/")
        found.append((name + "/", None))
        found.extend((name + "/" + file, os.path.join(directory, file)) for file in files)
    return sorted(found)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    target, folder, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    stamp = time.gmtime(epoch)[:6]
    if stamp[0] < 1980:
        sys.exit("zip_folder.py: zip times begin in 1980")
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, path in entries(folder):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = MSDOS
            if path is None:
                info.external_attr = DIRECTORY_ATTRIBUTE
                archive.writestr(info, b"")
            else:
                info.external_attr = ARCHIVE_ATTRIBUTE
                with open(path, "rb") as file:
                    archive.writestr(info, file.read(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
