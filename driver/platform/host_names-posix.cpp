#include "host_names.h"

const char* decoderProgramName() { return "Tessark"; }
const char* modelCompilerProgramName() { return "nwnmdlcomp"; }
const char* luaProgramName() { return "lua"; }
bool fileNamesAreCaseSensitive() { return true; }
ProgramSearchRules hostSearchRules() { return posixSearchRules(); }
