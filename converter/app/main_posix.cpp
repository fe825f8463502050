// The Linux converter: batch mode as a native command. Arguments arrive as UTF-8.
#include <string>
#include <vector>

#include "text.h"
#include "wrapsmith_app.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(text::fromUtf8(argv[i]));
  theApp.SetArguments(std::move(arguments));
  theApp.InitInstance();
  return theApp.ExitStatus();
}
