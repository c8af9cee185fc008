#include "files/program_text.h"
#include "tool/tessark_cli.h"

int main(int argc, char** argv) { return runWithProgramArguments(argc, argv, runTessark); }
