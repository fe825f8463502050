"""End to end under Wine: the x64 Windows converter builds a project in batch mode; the output
runs and msiexec installs the package. The Linux converter, linked with the same (x64)
launcher as its template, writes the same bytes for the same project.
Usage: end_to_end_wine.py WRAPSMITH.EXE TEMPLATE LINUX_WRAPSMITH_WITH_THE_SAME_TEMPLATE"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

import harness
from harness import fail

windows = harness.WineConverter(sys.argv[1], sys.argv[2])
linux = harness.LinuxConverter(sys.argv[3], sys.argv[2])
work = pathlib.Path(tempfile.mkdtemp(prefix='wrapsmith_wine_'))
icon = harness.write_icon(work / 'sample.ico')

outputs = {}
for converter in (windows, linux):
    d = work / converter.name
    d.mkdir()
    package = harness.build_package(d, 'Sample.MSI') if converter is windows else None
    if converter is linux:
        package = d / 'Sample.MSI'
        shutil.copy(work / 'wine' / 'Sample.MSI', package)
    fields = dict(harness.VERSION_FIELDS, InstallerPath=converter.path(package), IconPath=converter.path(icon),
                  InstallArgs='/i {package} /qn')
    (d / 'project.xml').write_bytes(harness.project_xml(fields))
    text, status = converter.run(converter.path(d / 'project.xml'), '/b')
    if text != ''.join(harness.BANNER) + harness.CREATED or status != 0:
        fail(f'{converter.name}: console {text!r}, status {status}')
    output = converter.output_for(package)
    if not output.exists():
        fail(f'{converter.name}: no {output.name} next to the package')
    outputs[converter.name] = output

# The Windows converter lower-cases the package path, so its output is sample.exe; the Linux
# one keeps the case, Sample.exe.
if outputs['wine'].name != 'sample.exe' or outputs['linux'].name != 'Sample.exe':
    fail(f'output names {outputs["wine"].name}, {outputs["linux"].name}')
if outputs['wine'].read_bytes() != outputs['linux'].read_bytes():
    fail('the Windows and the Linux converter wrote different executables for the same project')

# The output runs under Wine: the launcher writes the package out and starts msiexec.
prefix = pathlib.Path(os.environ['WINEPREFIX'])
installed = [prefix / 'drive_c' / folder / 'Wrapsmith Sample' / 'wrapsmith-sample.txt'
             for folder in ('Program Files (x86)', 'Program Files')]
for f in installed:
    if f.exists():
        f.unlink()
run = subprocess.run([harness.WINE, str(outputs['wine'])], capture_output=True, timeout=300)
subprocess.run([harness.WINESERVER, '-w'], timeout=300)
if run.returncode != 0:
    fail(f'the output executable exited with {run.returncode}')
if not any(f.exists() for f in installed):
    fail('msiexec did not install the package')
if not any(f.exists() and f.read_bytes() == (harness.SOURCE_DIR / 'examples' / 'wrapsmith-sample.txt').read_bytes()
           for f in installed):
    fail('the installed file differs from the packaged one')
subprocess.run([harness.WINE, 'msiexec', '/x', str(windows.path(work / 'wine' / 'Sample.MSI')), '/qn'],
               capture_output=True, timeout=300)
subprocess.run([harness.WINESERVER, '-w'], timeout=300)

print('ok: end to end under Wine')
shutil.rmtree(work)
