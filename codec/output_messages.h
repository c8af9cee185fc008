// The two messages about output files, shared by both directions.
#pragma once

#include <string>

// "Failed to create output file: NAME"
void reportOutputNotCreated(const std::string& name);
// "Failed to write output file: NAME"
void reportOutputNotWritten(const std::string& name);
