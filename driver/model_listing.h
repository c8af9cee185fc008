// The model listing of listing mode: records of a model path, a colon and
// anything, as a line search prints them.
#pragma once

#include <cstddef>
#include <cstdio>

#include "model_convert.h"
#include "files/folder.h"
#include "run_report.h"

// A listing record (a model name up to its colon) longer than this is
// skipped: a few times the longest path any platform allows.
constexpr size_t kMaxListingRecordLength = 4 * 32768;

// Reads listing records ("model path:anything\n") byte by byte and converts
// and verifies each model, up to `jobs` conversions at once with the results
// of one at a time; records too long, or naming a FIFO, device or socket, are
// skipped with a line on standard error. Returns the number of models
// handled; clears allConverted when a conversion or verification failed.
unsigned readModelListing(FILE* listing, const ConversionOptions& options, const Folder& work, unsigned jobs,
                          RunTally& tally, bool& allConverted);
