#include "command_line_record.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "received_command_line.h"

void recordCommandLine(int argc, char** argv) {
  const char* logPath = getenv("STANDIN_COMMAND_LOG");
  if (!logPath || !*logPath) return;
  std::string line = receivedCommandLine();
  if (line.empty())
    for (int i = 0; i < argc; ++i) line += "[" + std::string(argv[i]) + "]";
  FILE* log = fopen(logPath, "ab");
  if (!log) {
    fprintf(stderr, "stand-in: cannot append to %s\n", logPath);
    return;
  }
  fprintf(log, "%s\n", line.c_str());
  fclose(log);
}
