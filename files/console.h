// What the programs need to know about their console.
#pragma once

// True when standard error is a terminal (where a progress line may be drawn).
bool errorStreamIsTerminal();
