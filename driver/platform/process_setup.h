// What the driver's process needs before it does anything else.
#pragma once

// Standard input, output and error that were closed are opened on the null
// device, so that no file the driver opens later takes their place and
// receives its messages; a SIGCHLD left ignored by the parent is set back to
// its default, so that children's exit statuses can be collected.
void prepareProcess();
