// The encoder's allocations failing one at a time: each failure must come
// back as OutOfMemory (never a crash or a container built on a missing
// buffer), and an encode with enough memory must be unchanged.
#include <gtest/gtest.h>

#include <new>

#include "memory_source.h"
#include "tga_builder.h"

namespace {

long allocationsBeforeFailure = -1;  // the one that fails; -1: none
long allocationsMade = 0;

}  // namespace

// The encoder allocates its buffers with new (std::nothrow) T[n]; this test
// program's replacement fails the chosen one and counts them.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) return nullptr;
  ++allocationsMade;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

EncodeStatus encodeFailingAllocation(const Bytes& tga, long failing, std::vector<uint8_t>& container) {
  MemoryBytes memory{tga.data(), tga.size()};
  EncodedTexture texture;
  allocationsBeforeFailure = failing;
  allocationsMade = 0;
  const EncodeStatus status = encodeTgaSource(memoryByteSource(memory), *laneKernelsFor(SimdPath::Plain), texture).status;
  allocationsBeforeFailure = -1;
  if (status == EncodeStatus::Encoded) container = containerBytes(texture);
  return status;
}

TEST(EncoderMemory, EveryFailedAllocationIsReported) {
  const Bytes sources[] = {makeTga(16, 16, 32, false, naturalPixel), makeTga(64, 2, 24, true, naturalPixel),
                           makeTga(2, 8, 32, true, naturalPixel), makeTga(8, 4, 24, false, naturalPixel)};
  for (const Bytes& tga : sources) {
    std::vector<uint8_t> whole;
    ASSERT_EQ(encodeFailingAllocation(tga, -1, whole), EncodeStatus::Encoded);
    const long allocations = allocationsMade;
    ASSERT_GT(allocations, 2);
    for (long failing = 0; failing < allocations; ++failing) {
      std::vector<uint8_t> container;
      EXPECT_EQ(encodeFailingAllocation(tga, failing, container), EncodeStatus::OutOfMemory)
          << tga[12] << "x" << tga[14] << ", allocation " << failing;
    }
    std::vector<uint8_t> container;
    EXPECT_EQ(encodeFailingAllocation(tga, allocations, container), EncodeStatus::Encoded);
    EXPECT_EQ(container, whole);
  }
}

}  // namespace
