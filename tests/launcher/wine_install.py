#!/usr/bin/python3
"""An output executable made from the launcher, carrying the example package and the record
"/i {package} /qn", really installs the package with Wine's msiexec: its exit code is 0, the
package's file appears under drive_c, and the temporary package file stays behind with a name
from GetTempFileNameW and the package's exact bytes."""
import os
import subprocess
import sys

import winerun

INSTALLED_NAME = 'wrapsmith-sample.txt'


def installed_files():
    found = []
    for root, _, files in os.walk(winerun.DRIVE_C):
        found += [os.path.join(root, f) for f in files if f == INSTALLED_NAME]
    return found


def main():
    with open(winerun.PACKAGE, 'rb') as f:
        package = f.read()
    with open(os.path.join(os.environ['WRAPSMITH_SOURCE_DIR'], 'examples', INSTALLED_NAME), 'rb') as f:
        content = f.read()
    temp = winerun.prefix_temp_folder()
    os.makedirs(temp, exist_ok=True)
    before = set(os.listdir(temp))
    assert not installed_files(), 'the example is installed already'

    exe = os.path.join(winerun.OUTPUTS, 'output_install.exe')
    code = winerun.run('"%s"' % winerun.windows_path(exe))
    winerun.wait_for_prefix()
    assert code == 0, 'exit code %d' % code

    installed = installed_files()
    assert len(installed) == 1, installed
    with open(installed[0], 'rb') as f:
        assert f.read() == content, 'installed file differs'
    print('installed:', installed[0])

    new = sorted(set(os.listdir(temp)) - before)
    assert len(new) == 1, 'new files in the temporary folder: %s' % new
    assert winerun.TEMP_NAME.match(new[0]), new[0]
    temp_file = os.path.join(temp, new[0])
    with open(temp_file, 'rb') as f:
        assert f.read() == package, 'temporary package differs from the package'
    print('temporary package:', new[0], len(package), 'bytes')

    # Leave the shared prefix as it was.
    subprocess.run([winerun.WINE, 'msiexec', '/x', winerun.windows_path(winerun.PACKAGE), '/qn'],
                   check=True, timeout=120)
    winerun.wait_for_prefix()
    assert not installed_files(), 'uninstall left the file'
    os.remove(temp_file)
    print('ok')


if __name__ == '__main__':
    sys.exit(main())
