#include <string>
#include <vector>

#include "files/program_text.h"
#include "tool/tessark_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = programArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  return runTessark(static_cast<int>(arguments.size()), pointers.data());
}
