#include "output_messages.h"

#include <cstdio>

void reportOutputNotCreated(const std::string& name) { printf("Failed to create output file: %s\n", name.c_str()); }

void reportOutputNotWritten(const std::string& name) { printf("Failed to write output file: %s\n", name.c_str()); }
