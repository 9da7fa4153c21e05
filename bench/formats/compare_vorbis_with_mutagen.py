#!/usr/bin/env python3
"""Holds the titles the tag summary shows for FLAC, Ogg Vorbis and Opus files
against python3-mutagen's reading of their Vorbis comments.

  compare_vorbis_with_mutagen.py TAGS_DUMP FOLDER...

TAGS_DUMP is build/tests/tags_dump; the folders hold public test files (for
instance the FLAC, Ogg and Opus files of mutagen's and TagLib's test data),
never committed here.

Every file mutagen reads a title from must show that title byte for byte (its
values joined with " / "); files mutagen cannot read are counted apart, with
what the summary made of them. Exit status 1 when a title differs.
"""
import os
import subprocess
import sys

try:
    import mutagen
except ImportError:
    print("python3-mutagen is missing (scripts/install-deps.sh installs it)")
    sys.exit(1)

EXTENSIONS = (".flac", ".ogg", ".oga", ".opus")


def ours(dump, paths):
    """The summary's titles as bytes (tags_dump escapes tabs and line breaks)."""
    out = subprocess.run([dump, "read"] + paths, check=True, stdout=subprocess.PIPE).stdout
    result = {}
    for line in out.split(b"\n"):
        if not line:
            continue
        parts = line.split(b"\t")
        fields = [p.replace(b"\\t", b"\t").replace(b"\\n", b"\n").replace(b"\\r", b"\r").replace(b"\\\\", b"\\")
                  for p in parts]
        # path, classic title, AllVersions title, artist, album, track, year, genre, version
        result[fields[0]] = {"classic": fields[1], "title": fields[2], "version": fields[8]}
    return result


def theirs(path):
    try:
        f = mutagen.File(path)
    except Exception as e:
        return ("unreadable", str(e))
    if f is None or f.tags is None:
        return ("no tags", None)
    values = [v for v in f.tags.get("title", []) if v]
    return ("title", " / ".join(values).encode("utf-8")) if values else ("no title", None)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    dump, folders = sys.argv[1], sys.argv[2:]
    paths = sorted(os.path.join(d, n) for d in folders for n in os.listdir(d) if n.lower().endswith(EXTENSIONS))
    mine = ours(dump, paths)
    counts, differ = {}, []
    for p in paths:
        kind, title = theirs(p)
        got = mine.get(p.encode(), {})
        counts[kind] = counts.get(kind, 0) + 1
        if kind == "title":
            for reading in ("classic", "title"):
                if got.get(reading) != title:
                    differ.append((p, reading, title, got.get(reading)))
        elif kind == "unreadable":
            print(f"mutagen cannot read {p} ({title}); the summary shows {got.get('title')!r}")
    print(f"{len(paths)} files: " + ", ".join(f"{n} {k}" for k, n in sorted(counts.items())))
    for p, reading, want, got in differ:
        print(f"DIFFERS {p} ({reading}): mutagen {want!r}, ours {got!r}")
    print(f"titles shown byte for byte: {counts.get('title', 0) - len({d[0] for d in differ})} of {counts.get('title', 0)}")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
