#include "encode/tile_row_crew.h"

#include <gtest/gtest.h>

// TESSARK_THREADS=n gives the reading thread n - 1 helpers: one more would
// take a processor the user did not give.
TEST(TileRowCrew, StartsExactlyTheHelpersAskedFor) {
  for (unsigned helpers : {0u, 1u, 3u}) {
    TileRowCrew crew;
    crew.encode = [](const TileRowBatch&, uint32_t) {};
    startCrew(crew, helpers);
    EXPECT_EQ(crew.helpers.size(), helpers);
    stopCrew(crew);
  }
}
