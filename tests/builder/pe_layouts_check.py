#!/usr/bin/python3
"""Edits our own small programs, built in differing layouts, and checks the results.

For x86 and x64 builds of pe_probe_{rsrc,last,nores}, with and without data appended after the
image: add a 17 MiB BIN 77 (streamed from a file), then BIN 78 in a second update in place; the
in-place result equals the result of writing a new file, and the x64 Windows build of the
editor (under Wine) writes the same bytes as the Linux build. pefile loads every result (checksum,
alignment, SizeOfImage, every byte outside the resources kept); wrestool lists it. The x64
results run under Wine (when WINE is set): the program finds BIN 77 with FindResourceExW, finds
its appended data intact, and exits with its usual 42.

usage: pe_layouts_check.py PE_TOOL WIN32_DIR WIN64_DIR WORK_DIR
"""
import os
import shutil
import subprocess
import sys

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_checks  # noqa: E402

BIG, BIG_SEED = 17 << 20, 5  # over 16 MiB: the in-place update derives the checksum
OVERLAY, OVERLAY_SEED = 8192, 9


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def main():
    tool, win32_dir, win64_dir, work = sys.argv[1:5]
    wine = os.environ.get('WINE')
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    big = os.path.join(work, 'big.bin')
    overlay = os.path.join(work, 'overlay.bin')
    run([tool, 'pattern', big, str(BIG), str(BIG_SEED)], check=True)
    run([tool, 'pattern', overlay, str(OVERLAY), str(OVERLAY_SEED)], check=True)
    with open(overlay, 'rb') as f:
        overlay_bytes = f.read()
    failures = []
    cases = 0
    for arch, folder in (('x86', win32_dir), ('x64', win64_dir)):
        for variant in ('rsrc', 'last', 'nores'):
            source = os.path.join(folder, 'tests', 'windows', 'pe', 'pe_probe_%s.exe' % variant)
            for appended in (False, True):
                cases += 1
                name = '%s_%s%s' % (arch, variant, '_overlay' if appended else '')
                original = os.path.join(work, name + '.orig.exe')
                shutil.copyfile(source, original)
                if appended:
                    with open(original, 'ab') as f:
                        f.write(overlay_bytes)
                results = {}
                for mode in ('new', 'in-place'):
                    out = os.path.join(work, '%s.%s.exe' % (name, mode))
                    shutil.copyfile(original, out)
                    first = run([tool, 'edit', out, '--data', 'BIN', '#77', '1033', big])
                    second = run([tool, 'edit'] + (['--in-place'] if mode == 'in-place' else []) +
                                 [out, '--bytes', 'BIN', '#78', '1033', '1000', '3'])
                    if first.returncode or second.returncode:
                        failures.append('%s %s: edit failed: %s %s' % (name, mode, first.stdout.strip(),
                                                                      second.stdout.strip()))
                        continue
                    with open(out, 'rb') as f:
                        results[mode] = f.read()
                if len(results) != 2:
                    continue
                if results['new'] != results['in-place']:
                    failures.append('%s: the in-place rewrite differs from a new file' % name)
                if wine:
                    # The Windows build of the editor writes the same bytes.
                    out = os.path.join(work, '%s.windows.exe' % name)
                    shutil.copyfile(original, out)
                    windows_tool = os.path.join(win64_dir, 'tests', 'windows', 'pe', 'pe_tool.exe')
                    first = run([wine, windows_tool, 'edit', out, '--data', 'BIN', '#77', '1033', big], timeout=120)
                    second = run([wine, windows_tool, 'edit', '--in-place', out, '--bytes', 'BIN', '#78', '1033', '1000', '3'],
                                 timeout=120)
                    with open(out, 'rb') as f:
                        if first.returncode or second.returncode or f.read() != results['new']:
                            failures.append('%s: the Windows build wrote other bytes (%s %s)' %
                                            (name, first.stdout.strip(), second.stdout.strip()))
                edited = os.path.join(work, name + '.new.exe')
                orig_pe, orig = pe_checks.load(original)
                new_pe, new = pe_checks.load(edited)
                problems = pe_checks.check_image(new_pe, new) + pe_checks.check_outside(orig_pe, orig, new_pe, new)
                before = {e[:3]: e[5] for e in pe_checks.pefile_entries(orig_pe, orig)}
                after = {e[:3]: e[5] for e in pe_checks.pefile_entries(new_pe, new)}
                if len(after.get(('BIN', '#77', 1033), b'')) != BIG or len(after.get(('BIN', '#78', 1033), b'')) != 1000:
                    problems.append('the new entries are missing')
                for key, data in before.items():
                    if after.get(key) != data:
                        problems.append('entry %r changed' % (key,))
                if appended and not new.endswith(overlay_bytes):
                    problems.append('the appended data changed')
                listed = run(['wrestool', '-l', edited])
                if listed.returncode or '--name=77' not in listed.stdout:
                    problems.append('wrestool does not list BIN 77')
                # The full loader view: pefile with every directory.
                try:
                    pefile.PE(edited)
                except pefile.PEFormatError as e:
                    problems.append('pefile: %s' % e)
                if arch == 'x64' and wine:
                    args = [wine, edited, '--resource', '77', str(BIG), str(BIG_SEED)]
                    if appended:
                        args += ['--overlay', str(OVERLAY), str(OVERLAY_SEED)]
                    code = run(args, timeout=120).returncode
                    if code != 42:
                        problems.append('under Wine it exits with %d, not 42' % code)
                failures += ['%s: %s' % (name, p) for p in problems]
    print('%d cases, %d failures' % (cases, len(failures)))
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
