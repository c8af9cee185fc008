#include "files/console.h"

#include <unistd.h>

bool errorStreamIsTerminal() { return isatty(2) == 1; }
