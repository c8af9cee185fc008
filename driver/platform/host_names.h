// Names and rules that differ between the platforms the driver runs on.
// Each platform's source file provides them; nothing else spells them out.
#pragma once

#include "program_search.h"

const char* decoderProgramName();        // the texture codec tool
const char* modelCompilerProgramName();  // the outside model compiler
const char* luaProgramName();            // the Lua interpreter
// On a case-sensitive file system a texture may stand as rock.TGA or
// rock.tGa, and every spelling must be looked for.
bool fileNamesAreCaseSensitive();
ProgramSearchRules hostSearchRules();

