#include "encode/tile_row_crew.h"

#include <system_error>

namespace {

using Guard = std::unique_lock<std::mutex>;

// A batch with a tile row nobody has taken, or none.
TileRowBatch* batchWithWork(TileRowCrew& crew) {
  for (TileRowBatch& batch : crew.batches)
    if (batch.next < batch.tileRows) return &batch;
  return nullptr;
}

// Takes one tile row of `batch` and encodes it with the lock let go; the
// thread that encodes a batch's last tile row reports the batch finished.
void encodeOneTileRow(TileRowCrew& crew, TileRowBatch& batch, Guard& guard) {
  const uint32_t tileRow = batch.next++;
  guard.unlock();
  crew.encode(batch, tileRow);
  guard.lock();
  if (++batch.done < batch.tileRows) return;
  guard.unlock();
  if (crew.finished) crew.finished(batch);
  guard.lock();
  batch.retired = true;
  // Batches may finish out of order; they retire in order.
  while (!crew.batches.empty() && crew.batches.front().retired) {
    crew.batches.pop_front();
    ++crew.retiredBatches;
  }
  crew.changed.notify_all();
}

void helperLoop(TileRowCrew& crew) {
  Guard guard(crew.lock);
  for (;;) {
    if (TileRowBatch* batch = batchWithWork(crew)) encodeOneTileRow(crew, *batch, guard);
    else if (crew.closing) return;
    else crew.changed.wait(guard);
  }
}

}  // namespace

void startCrew(TileRowCrew& crew, unsigned helpers) {
  for (unsigned i = 0; i < helpers; ++i) {
    try {
      crew.helpers.emplace_back(helperLoop, std::ref(crew));
    } catch (const std::system_error&) {
      return;
    }
  }
}

bool addBatch(TileRowCrew& crew, const uint8_t* chunk, uint32_t firstStored, uint32_t tileRows) {
  if (tileRows == 0) return false;
  {
    Guard guard(crew.lock);
    TileRowBatch batch;
    batch.chunk = chunk;
    batch.firstStored = firstStored;
    batch.tileRows = tileRows;
    crew.batches.push_back(batch);
  }
  crew.changed.notify_all();
  return true;
}

void helpUntilRetired(TileRowCrew& crew, uint64_t count) {
  Guard guard(crew.lock);
  while (crew.retiredBatches < count) {
    if (TileRowBatch* batch = batchWithWork(crew)) encodeOneTileRow(crew, *batch, guard);
    else crew.changed.wait(guard);
  }
}

void stopCrew(TileRowCrew& crew) {
  uint64_t handedIn = 0;
  {
    Guard guard(crew.lock);
    handedIn = crew.retiredBatches + crew.batches.size();
  }
  helpUntilRetired(crew, handedIn);
  {
    Guard guard(crew.lock);
    crew.closing = true;
  }
  crew.changed.notify_all();
  for (std::thread& helper : crew.helpers) helper.join();
  crew.helpers.clear();
}
