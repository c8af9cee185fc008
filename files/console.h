// What Tessark needs to know about its console.
#pragma once

// True when standard error is a terminal (where a progress line may be drawn).
bool errorStreamIsTerminal();
