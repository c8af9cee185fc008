#include "host_names.h"

const char* decoderProgramName() { return "Tessark.exe"; }
const char* modelCompilerProgramName() { return "nwnmdlcomp.exe"; }
const char* luaProgramName() { return "lua.exe"; }
bool fileNamesAreCaseSensitive() { return false; }
ProgramSearchRules hostSearchRules() { return windowsSearchRules(); }
