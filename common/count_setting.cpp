#include "common/count_setting.h"

CountSetting readCountSetting(const char* text, unsigned most, unsigned& count) {
  if (!text || !*text) return CountSetting::NotGiven;
  unsigned long value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return CountSetting::Refused;
    value = value * 10 + static_cast<unsigned long>(*c - '0');
    if (value > most) value = static_cast<unsigned long>(most) + 1;  // no overflow; a very large count is the most there is
  }
  if (value < 1) return CountSetting::Refused;
  count = value > most ? most : static_cast<unsigned>(value);
  return CountSetting::Given;
}
