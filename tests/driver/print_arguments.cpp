// Test helper: prints each argument it receives in brackets, one per line,
// then, where the system passes one (Windows), the command line as received
// after "line: "; exits with status 3 so that the status can be checked too.
#include <cstdio>

#include "received_command_line.h"

int main(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) printf("[%s]\n", argv[i]);
  const std::string line = receivedCommandLine();
  if (!line.empty()) printf("line: %s\n", line.c_str());
  return 3;
}
