// The rule both programs apply to a count given in the environment
// (TESSARK_THREADS, QUORVEL_JOBS): digits only, at least 1, capped at `most`;
// an unset or empty variable counts as not given.
#pragma once

enum class CountSetting { NotGiven, Given, Refused };

// Count is set only when the result is Given.
CountSetting readCountSetting(const char* text, unsigned most, unsigned& count);
