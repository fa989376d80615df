// The program's command line: one optional address to dial, or --help / --version.
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
  enum TAction { Run, Help, Version, Error };
  TAction Action = Run;
  std::string Address;  // Run: the address to dial at once; empty for none
  std::string Message;  // Error: what is wrong with the arguments
};

// Args are the arguments after argument 0.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);

// Why Address cannot be dialled; empty when it can.
std::string AddressProblem(const std::string& Address);

// The text of --help; FilesDir and DataDir are the directories in use.
std::string HelpText(const std::string& FilesDir, const std::string& DataDir);
