#include "host_names.h"

const char* decoderProgramName() { return "Tessark.exe"; }
const char* modelCompilerProgramName() { return "nwnmdlcomp.exe"; }
const char* luaProgramName() { return "lua.exe"; }
char pathSeparator() { return '\\'; }
bool fileNamesAreCaseSensitive() { return false; }
ProgramSearchRules hostSearchRules() { return windowsSearchRules(); }
