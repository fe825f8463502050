#!/usr/bin/python3
"""Cross-checks the resource editor on a corpus of PE files nobody here wrote.

For every PE file in the corpus folder: our reader lists the same entries as pefile; an update
that changes nothing keeps every entry's bytes; adding a BIN entry of 3 MiB keeps every other
entry, every byte outside the resource section and its followers (apart from the header fields
that must change), and the result reads back in pefile (checksum included) and wrestool.

usage: pe_corpus_check.py PE_TOOL CORPUS_DIR WORK_DIR
"""
import hashlib
import os
import struct
import subprocess
import sys

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_checks  # noqa: E402
from pe_checks import check_image, check_outside, load, pefile_entries  # noqa: E402

def main():
    tool, corpus, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    files = []
    for name in sorted(os.listdir(corpus)):
        path = os.path.join(corpus, name)
        if os.path.isfile(path):
            with open(path, 'rb') as f:
                if f.read(2) == b'MZ':
                    files.append(path)
    result = subprocess.run([tool, 'corpus', work] + files, check=True, capture_output=True, text=True)
    codes = {}
    for line in result.stdout.splitlines():
        n, listed, same, binary, path = line.split('\t')
        codes[path] = (int(n), int(listed), int(same), int(binary))
    listing = {}
    result = subprocess.run([tool, 'list'] + files, capture_output=True, text=True)
    for line in result.stdout.splitlines():
        fields = line.split('\t')
        if fields[1] == 'error':
            continue
        listing.setdefault(fields[0], []).append(
            (fields[1], fields[2], int(fields[3]), int(fields[4]), int(fields[5])))

    failures = []
    with_resources = 0
    bin_hash = None
    for path in files:
        n, listed, same_code, bin_code = codes[path]
        try:
            pe, data = load(path)
        except pefile.PEFormatError:
            if listed == 0:
                failures.append('%s: pefile refuses it, we read it' % path)
            continue
        theirs = pefile_entries(pe, data)
        if listed != 0:
            failures.append('%s: our reader failed with %d' % (path, listed))
            continue
        ours = listing.get(path, [])
        if [e[:5] for e in theirs] != ours:
            failures.append('%s: listings differ' % path)
            continue
        if theirs:
            with_resources += 1
        by_key = {e[:3]: e[5] for e in theirs}
        for suffix, code in (('same', same_code), ('bin', bin_code)):
            out = os.path.join(work, '%d.%s' % (n, suffix))
            if code != 0:
                failures.append('%s: the %s update failed with %d' % (path, suffix, code))
                continue
            new_pe, new = load(out)
            new_entries = {e[:3]: e[5] for e in pefile_entries(new_pe, new)}
            expected = dict(by_key)
            if suffix == 'bin':
                blob = new_entries.get(('BIN', '#102', 0x409))
                if blob is None or len(blob) != 3 << 20:
                    failures.append('%s: BIN 102 missing in the result' % path)
                    continue
                digest = hashlib.sha256(blob).hexdigest()
                bin_hash = bin_hash or digest
                if digest != bin_hash:
                    failures.append('%s: BIN 102 bytes differ' % path)
                expected[('BIN', '#102', 0x409)] = blob
            if new_entries != expected:
                failures.append('%s: %s: entries differ' % (path, suffix))
            for p in check_image(new_pe, new) + check_outside(pe, data, new_pe, new):
                failures.append('%s: %s: %s' % (path, suffix, p))
            if suffix == 'bin':
                listed = subprocess.run(['wrestool', '-l', out], capture_output=True, text=True)
                if listed.returncode or listed.stdout.count('\n') != len(expected):
                    failures.append('%s: wrestool lists %d entries, not %d' %
                                    (path, listed.stdout.count('\n'), len(expected)))
            os.remove(out)  # keep the work folder small
    print('%d files, %d with resources, %d failures' % (len(files), with_resources, len(failures)))
    for f in failures[:50]:
        print(f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
