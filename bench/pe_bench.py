#!/usr/bin/python3
"""Benchmark of the resource editor: adding a big entry to a small program, as a ratio to `cp`
of the same data measured in the same run, and the peak memory of the editing process.

  pe_bench.py PE_TOOL TEMPLATE WORK_DIR [SIZE_MIB]

Measures, each the best of three runs:
  cp        copying the package file
  add       one update adding the package as BIN 102 (streamed from its file)
  sequence  the build's order: the package added, then three small updates in place
            (version block, argument record, icon)
"""
import os
import shutil
import subprocess
import sys
import time


def timed(cmd):
    """Wall time and peak resident memory (KiB) of one process. Dirty pages of earlier runs are
    written out first (untimed), so that no run pays for another's write-back."""
    os.sync()
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit('failed: %s' % ' '.join(cmd))
    return elapsed, usage.ru_maxrss


def main():
    tool, template, work = sys.argv[1:4]
    size_mib = int(sys.argv[4]) if len(sys.argv) > 4 else 512
    os.makedirs(work, exist_ok=True)
    package = os.path.join(work, 'package.bin')
    if not os.path.exists(package) or os.path.getsize(package) != size_mib << 20:
        with open(package, 'wb') as f:
            for _ in range(size_mib):
                f.write(os.urandom(1 << 20))
    copy = os.path.join(work, 'copy.bin')
    out = os.path.join(work, 'out.exe')
    small = os.path.join(work, 'icon.bin')
    with open(small, 'wb') as f:
        f.write(os.urandom(9000))

    def cp():
        if os.path.exists(copy):
            os.remove(copy)
        return timed(['cp', package, copy])

    def add():
        shutil.copyfile(template, out)
        return timed([tool, 'edit', out, '--data', 'BIN', '#102', '1033', package])

    def sequence():
        shutil.copyfile(template, out)
        total, peak = timed([tool, 'edit', '--in-place', out, '--data', 'BIN', '#102', '1033', package])
        for args in (['--bytes', '#16', '#1', '1033', '900', '1'],
                     ['--bytes', 'BIN', '#125', '1033', '524', '2'],
                     ['--data', '#3', '#1', '1033', small, '--bytes', '#14', '#107', '1033', '20', '3']):
            t, p = timed([tool, 'edit', '--in-place', out] + args)
            total += t
            peak = max(peak, p)
        return total, peak

    results = {}
    for name, run in (('cp', cp), ('add', add), ('sequence', sequence)):
        runs = [run() for _ in range(3)]
        results[name] = (min(r[0] for r in runs), max(r[1] for r in runs))
    base = results['cp'][0]
    print('package %d MiB, template %s' % (size_mib, os.path.basename(template)))
    for name, (seconds, peak) in results.items():
        print('%-9s %7.3f s  %5.2f x cp  peak %6.1f MiB' % (name, seconds, seconds / base, peak / 1024))
    for f in (package, copy, out, small):
        if os.path.exists(f):
            os.remove(f)


if __name__ == '__main__':
    main()
