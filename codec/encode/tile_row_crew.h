// Level 0's tile rows shared out between helper threads and the thread that
// reads the source. The reader hands in a batch per chunk of source rows and
// goes on with the work that must stay in order (the mean alpha, the
// reductions down the chain); helpers take the batches' tile rows one at a
// time, and the reader takes some too whenever it has to wait for a chunk
// buffer to come free. Tile rows are independent of one another, so the
// bytes do not depend on who encodes what.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct TileRowBatch {
  const uint8_t* chunk = nullptr;  // source rows, four per tile row
  uint32_t firstStored = 0;        // level 0's stored tile row of the chunk's first
  uint32_t tileRows = 0;
  uint32_t next = 0;      // first tile row nobody has taken yet
  uint32_t done = 0;      // tile rows encoded
  bool retired = false;   // done, and `finished` has returned
};

struct TileRowCrew {
  std::function<void(const TileRowBatch&, uint32_t tileRow)> encode;
  // Called once per batch, on the thread that encoded its last tile row.
  std::function<void(const TileRowBatch&)> finished;
  std::mutex lock;
  std::condition_variable changed;
  std::deque<TileRowBatch> batches;  // in order; retired ones leave from the front
  uint64_t retiredBatches = 0;
  bool closing = false;
  std::vector<std::thread> helpers;
};

// Starts up to `helpers` threads; fewer when the system has none to give
// (the caller then encodes what they would have).
void startCrew(TileRowCrew& crew, unsigned helpers);

// Hands in the tile rows of a chunk and returns at once; false (nothing
// handed in) when there are none.
bool addBatch(TileRowCrew& crew, const uint8_t* chunk, uint32_t firstStored, uint32_t tileRows);

// Encodes tile rows alongside the helpers until the first `count` batches
// handed in are retired.
void helpUntilRetired(TileRowCrew& crew, uint64_t count);

// Finishes every batch handed in, then ends the helpers.
void stopCrew(TileRowCrew& crew);

// Stops the crew however its scope is left.
struct CrewStop {
  TileRowCrew& crew;
  ~CrewStop() { stopCrew(crew); }
};
