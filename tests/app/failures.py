"""The converter's command line and batch mode, one table of cases: console texts after the
banner, exit status, and what the build left next to the package.
Usage: failures.py linux WRAPSMITH TEMPLATE | failures.py wine WRAPSMITH.EXE TEMPLATE HOLD_AND_RUN.EXE"""
import pathlib
import sys
import tempfile

import harness
from harness import CREATED, NO_DIALOG, USAGE

mode = sys.argv[1]
if mode == 'linux':
    converter = harness.LinuxConverter(sys.argv[2], sys.argv[3])
else:
    converter = harness.WineConverter(sys.argv[2], sys.argv[3], sys.argv[4])

work = pathlib.Path(tempfile.mkdtemp(prefix='wrapsmith_failures_'))
package_source = harness.build_package(work)
package_bytes = package_source.read_bytes()
icon = harness.write_icon(work / 'sample.ico')


def case_dir(name):
    d = work / name.replace(' ', '_').replace('(', '').replace(')', '')
    d.mkdir()
    return d


def project(d, **fields):
    """A project in `d` whose package is a copy of the test package, named sample.msi."""
    package = d / fields.pop('package_name', 'sample.msi')
    package.parent.mkdir(parents=True, exist_ok=True)
    if fields.pop('package', True):
        package.write_bytes(package_bytes)
    values = dict(harness.VERSION_FIELDS, InstallerPath=converter.path(package), IconPath=converter.path(icon),
                  InstallArgs='/i {package} /qn')
    values.update(fields)
    path = d / 'project.xml'
    path.write_bytes(harness.project_xml(values))
    return path, package


# name, how to make the project and the arguments, expected text after the banner, exit
# status, what is left at the output path ('-' when there is no package to build from).
def missing_project(d):
    p = converter.path(d / 'missing.xml')
    return [p, '/b'], None


def not_xml(d):
    (d / 'project.xml').write_text('ProductName=Sample\n')
    return [converter.path(d / 'project.xml'), '/b'], None


def batch(**fields):
    def make(d):
        path, package = project(d, **fields)
        return [converter.path(path), '/b'], package
    return make


def with_arguments(*extra, switch_first=False):
    def make(d):
        path, package = project(d)
        args = ['/b', converter.path(path)] if switch_first else [converter.path(path), *extra]
        return args, package
    return make


cases = [
    ('project file missing', missing_project,
     lambda a: "\nCan't load the project file: " + a[0], 2, '-'),
    ('project file not XML', not_xml, lambda a: "\nCan't load the project file: " + a[0], 2, '-'),
    ('package missing', batch(package=False), '\nError: 2\n', 1, 'none'),
    ('output folder missing', batch(package_name='pkg.msi/sample.msi'), '\nError: 3\n', 1, 'none'),
    ('installer arguments of 259 characters', batch(InstallArgs=' ' + 'a' * 259 + ' '), CREATED, 0, 'complete'),
    ('installer arguments of 260 characters', batch(InstallArgs='a' * 260), '\nError: 122\n', 1, 'none'),
    ('version string of 84 characters', batch(Comments='c' * 84), '\nError: 122\n', 1, 'none'),
    ('output path naming the package', batch(package_name='sample.pkg'), '\nError: 80\n', 1, 'package'),
    ('unreadable icon', batch(IconPath=converter.path(work / 'missing.ico')), '\nError: 1\n', 1, 'no-icon'),
    ('no arguments', lambda d: ([], None), ''.join(USAGE) + NO_DIALOG, 3, '-'),
    ('project without the switch', with_arguments(), ''.join(USAGE) + NO_DIALOG, 3, 'none'),
    ('switch in capitals', with_arguments('/B'), ''.join(USAGE) + NO_DIALOG, 3, 'none'),
    ('switch first', with_arguments(switch_first=True), ''.join(USAGE) + NO_DIALOG, 3, 'none'),
    ('a third argument is ignored', with_arguments('/b', 'extra'), CREATED, 0, 'complete'),
    ('--help', lambda d: (['--help'], None), ''.join(USAGE), 0, '-'),
    ('-h', lambda d: (['-h'], None), ''.join(USAGE), 0, '-'),
]
if mode == 'wine':
    # Windows refuses to share a file that someone holds open for writing; POSIX has no such lock.
    cases.append(('package held open for writing', batch(), '\nError: 32\n', 1, 'template'))

failures = []
for name, make, expected_text, expected_status, expected_left in cases:
    d = case_dir(name)
    args, package = make(d)
    hold = package if name == 'package held open for writing' else None
    text, status = converter.run(*args, hold=hold) if hold else converter.run(*args)
    banner = ''.join(harness.BANNER)
    expected = banner + (expected_text(args) if callable(expected_text) else expected_text)
    problems = []
    if text != expected:
        problems.append(f'text {text!r}, expected {expected!r}')
    if status != expected_status:
        problems.append(f'exit status {status}, expected {expected_status}')
    if expected_left == 'package':
        if package.read_bytes() != package_bytes:
            problems.append('the package was changed')
    elif expected_left != '-':
        left = harness.what_was_left(converter.output_for(package), package_bytes, converter.template)
        if left != expected_left:
            problems.append(f'left {left}, expected {expected_left}')
    print(('ok   ' if not problems else 'FAIL ') + f'{converter.name}: {name}')
    for p in problems:
        print('       ' + p)
    failures += problems

if failures:
    sys.exit(1)
import shutil  # noqa: E402
shutil.rmtree(work)
