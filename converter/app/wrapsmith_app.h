// The converter's application object: attaches to the console of the program that started it
// and prints the banner while the program starts, then runs the command line.
#pragma once

#include <string>
#include <vector>

class CwrapsmithApp {
 public:
  // Runs during static initialisation: console attachment (Windows) and the banner.
  CwrapsmithApp();
  virtual ~CwrapsmithApp();

  // Initialises the common controls, OLE and the settings store, then runs batch mode or the
  // interactive start. Always false: the program ends when it returns; ExitStatus() says how.
  virtual bool InitInstance();

  // The command line, element 0 the program, as the C runtime splits it.
  void SetArguments(std::vector<std::u16string> arguments) { m_arguments = std::move(arguments); }
  int ExitStatus() const { return m_exitStatus; }

  // The per-user settings store: HKEY_CURRENT_USER\Software\<key>\<application name>.
  void SetRegistryKey(std::u16string_view key);
  const std::u16string& RegistryKey() const { return m_registryKey; }
  // The program file's name without its extension ("wrapsmith" as shipped).
  std::u16string AppName() const;

 private:
  std::vector<std::u16string> m_arguments;
  std::u16string m_registryKey;
  int m_exitStatus = 0;
};

extern CwrapsmithApp theApp;
