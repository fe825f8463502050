#!/usr/bin/python3
"""Batch build speed and memory: `wrapsmith project.xml /b` on packages of 1, 64 and 512 MiB,
against `cp` of the same file and against makensis wrapping the same package uncompressed in an
installer that extracts it and starts msiexec. All in one run, on the same files.

Usage: bench/batch_build.py [WRAPSMITH] [--sizes 1,64,512] [--runs N]
Prints a table (wall times are hyperfine means; peak memory is the maximum resident set size
from /usr/bin/time)."""
import argparse
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here.parent / 'tests' / 'app'))
import harness  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument('wrapsmith', nargs='?', default=str(here.parent / 'build' / 'converter' / 'app' / 'wrapsmith'))
parser.add_argument('--sizes', default='1,64,512')
parser.add_argument('--runs', type=int, default=5)
options = parser.parse_args()
wrapsmith = str(pathlib.Path(options.wrapsmith).resolve())

NSIS_SCRIPT = r'''Unicode true
SetCompress off
SilentInstall silent
RequestExecutionLevel user
OutFile "nsis.exe"
Section
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "package.msi"
  Exec '"msiexec.exe" /i "$PLUGINSDIR\package.msi" /qb'
SectionEnd
'''


def peak_kib(command, cwd):
    r = subprocess.run(['/usr/bin/time', '-f', '%M', *command], cwd=cwd, capture_output=True, text=True, check=True)
    return int(r.stderr.strip().splitlines()[-1])


work = pathlib.Path(tempfile.mkdtemp(prefix='wrapsmith_bench_', dir=os.environ.get('TMPDIR', '/var/tmp')))
rows = []
try:
    for mib in (int(s) for s in options.sizes.split(',')):
        d = work / f'{mib}MiB'
        d.mkdir()
        package = d / 'package.msi'
        with open(package, 'wb') as f:
            for _ in range(mib):
                f.write(os.urandom(1 << 20))
        fields = dict(harness.VERSION_FIELDS, InstallerPath=str(package), InstallArgs='/i {package} /qb',
                      IconPath=str(harness.write_icon(d / 'sample.ico')))
        (d / 'project.xml').write_bytes(harness.project_xml(fields))
        (d / 'installer.nsi').write_text(NSIS_SCRIPT)
        commands = {
            'cp': f'cp package.msi copy.exe',
            'wrapsmith': f'{wrapsmith} project.xml /b',
            'makensis': 'makensis -V1 installer.nsi',
        }
        report = d / 'hyperfine.json'
        subprocess.run(['hyperfine', '-N', '--style', 'none', '--warmup', '1', '--runs', str(options.runs),
                        '--export-json', str(report), *[f'--command-name={n}' for n in commands],
                        *commands.values()], cwd=d, check=True, stdout=subprocess.DEVNULL)
        means = {r['command']: r['mean'] for r in json.loads(report.read_text())['results']}
        if not (d / 'package.exe').exists() or (d / 'package.exe').stat().st_size <= package.stat().st_size:
            sys.exit('wrapsmith did not build package.exe')
        memory = {n: peak_kib(c.split(), d) for n, c in commands.items()}
        rows.append((mib, means, memory))
        shutil.rmtree(d)
finally:
    shutil.rmtree(work, ignore_errors=True)

print('| package | cp | wrapsmith | makensis | wrapsmith / cp | wrapsmith / makensis | peak memory: wrapsmith | cp | makensis |')
print('|---:|---:|---:|---:|---:|---:|---:|---:|---:|')
for mib, t, m in rows:
    print(f'| {mib} MiB | {t["cp"]:.3f} s | {t["wrapsmith"]:.3f} s | {t["makensis"]:.3f} s | '
          f'{t["wrapsmith"] / t["cp"]:.2f} | {t["wrapsmith"] / t["makensis"]:.2f} | '
          f'{m["wrapsmith"] / 1024:.1f} MiB | {m["cp"] / 1024:.1f} MiB | {m["makensis"] / 1024:.1f} MiB |')
