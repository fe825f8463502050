"""Running the launcher's Windows programs in the test run's Wine prefix.

The environment comes from wrapsmith_add_wine_test(): WINE, WINEPREFIX, WRAPSMITH_WIN64_DIR,
WRAPSMITH_SOURCE_DIR, WRAPSMITH_BINARY_DIR.
"""
import os
import re
import subprocess
import time

WINE = os.environ.get('WINE', '/usr/lib/wine/wine64')
PREFIX = os.environ['WINEPREFIX']
WIN64 = os.environ['WRAPSMITH_WIN64_DIR']
DRIVE_C = os.path.join(PREFIX, 'drive_c')
SYSTEM32 = os.path.join(DRIVE_C, 'windows', 'system32')

RUNNER = os.path.join(WIN64, 'tests', 'windows', 'launcher', 'run_and_wait.exe')
OUTPUTS = os.path.join(WIN64, 'tests', 'windows', 'launcher')
PACKAGE = os.path.join(WIN64, 'examples', 'sample.msi')

# GetTempFileNameW with the prefix "0": the prefix, up to four hexadecimal digits, ".tmp".
TEMP_NAME = re.compile(r'^0[0-9a-f]{1,4}\.tmp$', re.IGNORECASE)


def windows_path(linux_path):
    """The path under Wine's drive Z: (the whole Linux file system)."""
    return 'Z:' + os.path.abspath(linux_path).replace('/', '\\')


def linux_path(windows_path_text):
    """A C: path of the prefix as a Linux path."""
    assert windows_path_text[:3].upper() == 'C:\\', windows_path_text
    return os.path.join(DRIVE_C, *windows_path_text[3:].rstrip('\\').split('\\'))


WINESERVER = os.path.join(os.path.dirname(WINE), 'wineserver64')


def wait_for_prefix(seconds=120):
    """Waits until every program of the prefix has ended; ends them after `seconds`."""
    try:
        subprocess.run([WINESERVER, '-w'], check=False, timeout=seconds)
    except subprocess.TimeoutExpired:
        subprocess.run([WINESERVER, '-k'], check=False, timeout=60)
        raise AssertionError('programs of the prefix still ran after %d seconds' % seconds)


def run(command_line, environment=None, timeout=120, native=()):
    """Starts `command_line` exactly as given, with extra environment variables, waits for it and
    gives its full 32-bit exit code. Programs named in `native` (such as "msiexec.exe") are
    loaded from their files even where Wine has a built-in one."""
    run_file_path = os.path.join(os.environ['WRAPSMITH_BINARY_DIR'], 'tests', 'launcher', 'run-file.txt')
    os.makedirs(os.path.dirname(run_file_path), exist_ok=True)
    lines = ['%s=%s\n' % item for item in (environment or {}).items()]
    with open(run_file_path, 'w', encoding='utf-8', newline='') as f:
        f.write(''.join(lines) + '--\n' + command_line)
    unix_environment = dict(os.environ)
    if native:
        unix_environment['WINEDLLOVERRIDES'] = ';'.join('%s=n' % name for name in native)
    result = subprocess.run([WINE, RUNNER, windows_path(run_file_path)], capture_output=True, text=True,
                            timeout=timeout, env=unix_environment)
    if result.returncode != 0:
        raise AssertionError('runner failed (%d): %s' % (result.returncode, result.stderr))
    return int(result.stdout.split()[-1])


def prefix_temp_folder():
    """The prefix's temporary folder, as a Linux path."""
    result = subprocess.run([WINE, 'cmd.exe', '/c', 'echo %TEMP%'], capture_output=True, text=True,
                            timeout=120, check=True)
    return linux_path(result.stdout.strip())


def wait_for_file(path, seconds=60):
    deadline = time.monotonic() + seconds
    while not os.path.exists(path):
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True
