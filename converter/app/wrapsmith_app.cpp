#include "wrapsmith_app.h"

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#endif

#include <cstdio>

#include "command_line.h"
#include "console.h"
#include "project_settings.h"

namespace {

#ifdef _WIN32
// A windowed program has no console of its own; started from a command prompt it reports to
// that prompt's console. AttachConsole is looked up at run time: older systems lack it. False
// when Kernel32.dll itself cannot be loaded.
bool AttachParentConsole() {
  HMODULE kernel = LoadLibraryW(L"Kernel32.dll");
  if (!kernel) return false;
  using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
  auto attach = reinterpret_cast<AttachConsoleFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")));
  // Without a parent console standard output stays as the process inherited it.
  if (attach && attach(ATTACH_PARENT_PROCESS)) _wfreopen(L"CONOUT$", L"wt", stdout);
  FreeLibrary(kernel);
  return true;
}
#endif

}  // namespace

CwrapsmithApp theApp;

CwrapsmithApp::CwrapsmithApp() {
#ifdef _WIN32
  if (AttachParentConsole()) app::PrintBanner(app::StandardOutput());
#else
  app::PrintBanner(app::StandardOutput());
#endif
}

CwrapsmithApp::~CwrapsmithApp() = default;

void CwrapsmithApp::SetRegistryKey(std::u16string_view key) { m_registryKey = key; }

std::u16string CwrapsmithApp::AppName() const {
  std::u16string program = m_arguments.empty() ? std::u16string(u"wrapsmith") : m_arguments[0];
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) program.assign(path, path + length);
#endif
  const size_t slash = program.find_last_of(u"\\/");
  if (slash != std::u16string::npos) program.erase(0, slash + 1);
  const size_t dot = program.rfind(u'.');
  if (dot != std::u16string::npos && dot > 0) program.erase(dot);
  return program;
}

bool CwrapsmithApp::InitInstance() {
#ifdef _WIN32
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // The project file needs COM; a failure shows later as a project that cannot be loaded.
  OleInitialize(nullptr);
#endif
  SetRegistryKey(u"Tarnwick");

  app::Console& console = app::StandardOutput();
  if (app::IsBatchMode(m_arguments))
    m_exitStatus = app::RunBatch(m_arguments[1], theProjectSettings, console);
  else
    m_exitStatus = app::RunWithoutDialog(m_arguments, console);
  return false;
}
