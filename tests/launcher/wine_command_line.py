#!/usr/bin/python3
"""The command line the launcher gives msiexec.exe, seen by a stand-in msiexec.exe placed in the
prefix's system folder for the length of this test (the real one is put back afterwards).

Each case runs an output executable (or the template alone) with its own command line and a
temporary folder of its own, then checks the exit code, the line the stand-in recorded, where
the started msiexec.exe lies, and what is left in the temporary folder."""
import os
import shutil
import sys

import winerun

REAL_MSIEXEC = os.path.join(winerun.SYSTEM32, 'msiexec.exe')
SAVED_MSIEXEC = REAL_MSIEXEC + '.wrapsmith-saved'
# Wine starts its built-in msiexec for the system folder's file unless told to load the file.
STANDIN = os.path.join(winerun.OUTPUTS, 'standin', 'msiexec.exe')
TEMPLATE = os.path.join(winerun.WIN64, 'launcher', 'wrapstub.exe')
WORK = os.path.join(winerun.DRIVE_C, 'wrapsmith-launcher-test')
WORK_WIN = 'C:\\wrapsmith-launcher-test'

LONG_RECORD = ' '.join(['/qn'] * 65)
assert len(LONG_RECORD) == 259

# name, program, own arguments (after the quoted program name, exactly), temporary folder holds
# a space, expected exit code, expected command line with P for the package argument (None:
# msiexec.exe is not started and no file is left)
CASES = [
    ('token in any case', 'output_mixed_case', '', False, 0, 'msiexec.exe /i P /q'),
    ('two tokens', 'output_two_tokens', '', False, 0, 'msiexec.exe /i P /l*v P.log'),
    ('no token', 'output_no_token', '', False, 0, 'msiexec.exe /q P'),
    ('record ignores own arguments', 'output_mixed_case', ' /x {package} /qn', False, 0, 'msiexec.exe /i P /q'),
    ('empty record, no own arguments', 'output_empty', '', False, 0, 'msiexec.exe /i P'),
    ('empty record, own arguments with token', 'output_empty', ' /x {PACKAGE}', False, 0, 'msiexec.exe /x P'),
    ('empty record, own arguments keep a trailing space', 'output_empty', ' /q ', False, 0, 'msiexec.exe /q  P'),
    ('empty record, own arguments without token', 'output_empty', '\t/qb', False, 0, 'msiexec.exe /qb P'),
    ('temporary path with a space, token', 'output_install', '', True, 0, 'msiexec.exe /i P /qn'),
    ('temporary path with a space, no token', 'output_no_token', '', True, 0, 'msiexec.exe /q P'),
    ('temporary path with a space, empty record', 'output_empty', '', True, 0, 'msiexec.exe /i P'),
    ('record of 259 characters composes in full', 'output_long_record', '', False, 0,
     'msiexec.exe ' + LONG_RECORD + ' P'),
    ('line over the system limit', 'output_empty', ' ' + '{package}' * 3000, False, 206, None),
    ('template alone', None, '', False, 1813, None),
]


def program_path(name):
    return TEMPLATE if name is None else os.path.join(winerun.OUTPUTS, name + '.exe')


def run_case(index, program, own, space, code, expected, package):
    folder = os.path.join(WORK, str(index))
    temp_name = 'temp dir' if space else 'temp'
    os.makedirs(os.path.join(folder, temp_name))
    temp_win = '%s\\%d\\%s' % (WORK_WIN, index, temp_name)
    record_win = '%s\\%d\\record.txt' % (WORK_WIN, index)
    record = os.path.join(folder, 'record.txt')
    environment = {'TMP': temp_win, 'TEMP': temp_win, 'WRAPSMITH_MSIEXEC_RECORD': record_win}
    line = '"%s"%s' % (winerun.windows_path(program_path(program)), own)

    got = winerun.run(line, environment, native=['msiexec.exe'])
    failures = []
    if got != code:
        failures.append('exit code %d, expected %d' % (got, code))
    left = os.listdir(os.path.join(folder, temp_name))
    if expected is None:
        if left:
            failures.append('left in the temporary folder: %s' % left)
        winerun.wait_for_prefix()
        if os.path.exists(record):
            failures.append('msiexec.exe was started')
        return failures
    if len(left) != 1 or not winerun.TEMP_NAME.match(left[0]):
        return failures + ['temporary folder holds %s' % left]
    with open(os.path.join(folder, temp_name, left[0]), 'rb') as f:
        if f.read() != package:
            failures.append('temporary file differs from the package')
    if not winerun.wait_for_file(record):
        return failures + ['msiexec.exe recorded nothing']
    with open(record, 'rb') as f:
        module, _, command_line = f.read().decode('utf-16-le').partition('\n')
    path = temp_win + '\\' + left[0]
    package_argument = '"%s"' % path if ' ' in path else path
    want = expected.replace('P', package_argument)
    if command_line != want:
        failures.append('command line\n  got:  %r\n  want: %r' % (command_line, want))
    if module.lower() != 'c:\\windows\\system32\\msiexec.exe':
        failures.append('msiexec.exe started from %s' % module)
    return failures


def planted_msiexec_is_not_run(package):
    """A msiexec.exe beside the output executable (a downloads folder, say) is not the one
    started: the launcher names the system folder's copy."""
    folder = os.path.join(WORK, 'downloads')
    os.makedirs(os.path.join(folder, 'temp'))
    shutil.copy(os.path.join(winerun.OUTPUTS, 'output_no_token.exe'), os.path.join(folder, 'setup.exe'))
    shutil.copy(STANDIN, os.path.join(folder, 'msiexec.exe'))
    record = os.path.join(folder, 'record.txt')
    environment = {'TMP': WORK_WIN + '\\downloads\\temp', 'TEMP': WORK_WIN + '\\downloads\\temp',
                   'WRAPSMITH_MSIEXEC_RECORD': WORK_WIN + '\\downloads\\record.txt'}
    got = winerun.run('"%s\\downloads\\setup.exe"' % WORK_WIN, environment, native=['msiexec.exe'])
    if got != 0:
        return ['exit code %d' % got]
    if not winerun.wait_for_file(record):
        return ['msiexec.exe recorded nothing']
    with open(record, 'rb') as f:
        module = f.read().decode('utf-16-le').partition('\n')[0]
    if module.lower() != 'c:\\windows\\system32\\msiexec.exe':
        return ['the planted msiexec.exe ran: %s' % module]
    return []


def main():
    with open(winerun.PACKAGE, 'rb') as f:
        package = f.read()
    # A run that was killed may have left the stand-in in place: put the real one back first.
    if os.path.exists(SAVED_MSIEXEC):
        shutil.move(SAVED_MSIEXEC, REAL_MSIEXEC)
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    winerun.wait_for_prefix()
    shutil.copy2(REAL_MSIEXEC, SAVED_MSIEXEC)
    failed = 0
    try:
        shutil.copy(STANDIN, REAL_MSIEXEC)
        for index, case in enumerate(CASES):
            failures = run_case(index, *case[1:], package=package)
            print('%s: %s' % (case[0], 'ok' if not failures else 'FAILED'))
            for failure in failures:
                print('  ' + failure)
            failed += bool(failures)
        failures = planted_msiexec_is_not_run(package)
        print('planted msiexec.exe is not run: %s' % ('ok' if not failures else 'FAILED'))
        for failure in failures:
            print('  ' + failure)
        failed += bool(failures)
    finally:
        try:
            winerun.wait_for_prefix()
        finally:
            shutil.move(SAVED_MSIEXEC, REAL_MSIEXEC)
            shutil.rmtree(WORK, ignore_errors=True)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
