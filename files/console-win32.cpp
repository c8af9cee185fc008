#include "files/console.h"

#include <io.h>

bool errorStreamIsTerminal() { return _isatty(2) != 0; }
