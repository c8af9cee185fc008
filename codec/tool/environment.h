// What Tessark takes from its environment and hands to the core, which
// reads none: the vector path (TESSARK_SIMD) and the encoder's threads
// (TESSARK_THREADS).
#pragma once

#include "shared/simd_path.h"

// The fastest path of this build and processor, capped by TESSARK_SIMD.
SimdPath chooseSimdPath();

// TESSARK_THREADS (a whole number of at least 1, capped; an empty value
// counts as not set), else the processors of the machine. False when the
// variable holds anything else.
bool chooseEncoderThreads(unsigned& threads);

// TESSARK_THREADS as set, for the message that refuses it.
const char* encoderThreadsSetting();
