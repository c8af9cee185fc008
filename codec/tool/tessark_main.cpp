#include "tool/tessark_cli.h"

int main(int argc, char** argv) { return runTessark(argc, argv); }
