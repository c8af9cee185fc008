#include "common/count_setting.h"

#include <gtest/gtest.h>

// The one rule of TESSARK_THREADS and QUORVEL_JOBS, at its edges.
TEST(CountSetting, DigitsOnlyAtLeastOneCappedEmptyMeansNotGiven) {
  struct Case {
    const char* text;
    CountSetting result;
    unsigned count;
  };
  const Case cases[] = {
      {nullptr, CountSetting::NotGiven, 0}, {"", CountSetting::NotGiven, 0},  {"0", CountSetting::Refused, 0},
      {"000", CountSetting::Refused, 0},    {"1", CountSetting::Given, 1},     {"007", CountSetting::Given, 7},
      {"256", CountSetting::Given, 256},    {"257", CountSetting::Given, 256}, {"99999999999999999999999", CountSetting::Given, 256},
      {"/", CountSetting::Refused, 0},      {":", CountSetting::Refused, 0},   {"-1", CountSetting::Refused, 0},
      {"2 ", CountSetting::Refused, 0},     {" 2", CountSetting::Refused, 0},
  };
  for (const Case& c : cases) {
    unsigned count = 0;
    EXPECT_EQ(readCountSetting(c.text, 256, count), c.result) << (c.text ? c.text : "unset");
    EXPECT_EQ(count, c.count) << (c.text ? c.text : "unset");
  }
}
