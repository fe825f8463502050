// The Windows converter: a windowed program; the application object has already attached the
// console and printed the banner when this runs.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "wrapsmith_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::u16string> arguments;
  for (int i = 0; i < __argc; ++i) {
    const wchar_t* argument = __wargv[i];
    arguments.emplace_back(argument, argument + wcslen(argument));
  }
  theApp.SetArguments(std::move(arguments));
  theApp.InitInstance();
  return theApp.ExitStatus();
}
