#include "driver.h"
#include "files/program_text.h"

int main(int argc, char** argv) { return runWithProgramArguments(argc, argv, runQuorvel); }
