// ieshell: the command-line shell of the library.
#include <cstdio>
#include <string>

#include "Shell.h"

int main(int Argc, char** Argv) {
  ie::TShellOptions Options;
  std::string Error;
  if (!ie::ParseShellArguments(Argc, Argv, Options, Error)) {
    std::fprintf(stderr, "ieshell: %s\n%s", Error.c_str(), ie::ShellUsage().c_str());
    return ie::ssParseError;
  }
  if (Options.Help) {
    std::fputs(ie::ShellUsage().c_str(), stdout);
    return ie::ssSuccess;
  }
  ie::TShell Shell;
  if (Options.Version) {
    std::puts(Shell.GetVersionText().c_str());
    return ie::ssSuccess;
  }
  return Shell.Execute(Options);
}
