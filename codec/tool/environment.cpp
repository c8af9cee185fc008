#include "tool/environment.h"

#include <cstdlib>

#include "common/count_setting.h"
#include "files/this_process.h"

SimdPath chooseSimdPath() { return simdPathFromSetting(std::getenv("TESSARK_SIMD"), bestSimdPath()); }

// At most this many, whatever the variable says.
constexpr unsigned kMaxEncoderThreads = 256;

const char* encoderThreadsSetting() { return std::getenv("TESSARK_THREADS"); }

bool chooseEncoderThreads(unsigned& threads) {
  switch (readCountSetting(encoderThreadsSetting(), kMaxEncoderThreads, threads)) {
    case CountSetting::NotGiven: threads = processorsOfThisProcess(); return true;
    case CountSetting::Given: return true;
    case CountSetting::Refused: break;
  }
  return false;
}
