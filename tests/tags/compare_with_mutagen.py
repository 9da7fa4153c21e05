#!/usr/bin/env python3
"""Holds the tag summary's AllVersions reading against python3-mutagen's.

  compare_with_mutagen.py TAGS_DUMP --fixtures   byte-built files of every ID3v2
        version and flag (written by tags_dump); every field must agree.
  compare_with_mutagen.py TAGS_DUMP FOLDER...    any files: counts the titles each
        reading shows and lists the files whose title differs from mutagen's.
"""
import os
import subprocess
import sys
import tempfile

try:
    import mutagen.id3 as id3
except ImportError:
    print("python3-mutagen is missing (scripts/install-deps.sh installs it)")
    sys.exit(1)


def unescape(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(s[i + 1], s[i + 1]))
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


def ours(dump, paths):
    fields = ["classic", "title", "artist", "album", "track", "year", "genre", "version"]
    result = {}
    for start in range(0, len(paths), 200):
        out = subprocess.run([dump, "read"] + paths[start:start + 200], check=True,
                             stdout=subprocess.PIPE).stdout.decode("utf-8", "replace")
        for line in out.splitlines():
            parts = [unescape(p) for p in line.split("\t")]
            result[parts[0]] = dict(zip(fields, parts[1:]))
    return result


def theirs(path):
    """mutagen's texts of the file's ID3 tag, trimmed as the summary trims them."""
    try:
        tag = id3.ID3(path)
    except Exception:
        return None

    def text(key):
        frame = tag.get(key)
        if frame is None:
            return ""
        values = [str(v).strip(" \t\r\n\0") for v in frame.text]
        return " / ".join(v for v in values if v)

    track = text("TRCK").split("/")[0].strip()
    genre = tag.get("TCON")
    return {
        "title": text("TIT2"),
        "artist": text("TPE1"),
        "album": text("TALB"),
        "track": str(int(track) % 256) if track.isdigit() else "0",
        "year": text("TDRC")[:4],
        "genre": " / ".join(genre.genres) if genre is not None else "",
    }


def compare_fixtures(dump):
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([dump, "write", folder], check=True)
        paths = sorted(os.path.join(folder, n) for n in os.listdir(folder))
        mine = ours(dump, paths)
        for path in paths:
            want = theirs(path)
            got = mine[path]
            name = os.path.basename(path)
            if want is None:
                print(f"{name}: mutagen cannot read it")
                failures += 1
                continue
            for field, value in want.items():
                if got[field] != value:
                    print(f"{name}: {field} is {got[field]!r}, mutagen reads {value!r}")
                    failures += 1
        print(f"{len(paths)} files compared, {failures} differences")
    return 1 if failures or not paths else 0


def count_folders(dump, folders):
    paths = []
    for folder in folders:
        for root, _, names in os.walk(folder):
            paths += [os.path.join(root, n) for n in names]
    paths.sort()
    mine = ours(dump, paths)
    counts = {"mutagen": 0, "classic": 0, "all": 0, "same": 0}
    for path in paths:
        want = theirs(path)
        got = mine[path]
        title = want["title"] if want else ""
        counts["mutagen"] += bool(title)
        counts["classic"] += bool(got["classic"])
        counts["all"] += bool(got["title"])
        if title:
            if got["title"] == title:
                counts["same"] += 1
            else:
                print(f"differs: {path}: shows {got['title']!r}, mutagen reads {title!r}")
    print(f"{len(paths)} files; titles shown: classic {counts['classic']}, "
          f"AllVersions {counts['all']}; mutagen reads {counts['mutagen']} titles, "
          f"AllVersions shows {counts['same']} of them the same")
    return 0


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    dump = sys.argv[1]
    if sys.argv[2] == "--fixtures":
        return compare_fixtures(dump)
    return count_folders(dump, sys.argv[2:])


if __name__ == "__main__":
    sys.exit(main())
