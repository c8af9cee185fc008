// BC7 blocks: mode, partition, endpoints with their P-bits, indices with
// one bit fewer at each subset's anchor, interpolation in 64ths.
#include <utility>

#include "decode/dds_blocks.h"
#include "shared/byte_order.h"

namespace {

// Which subset each of the 16 pixels belongs to: for two subsets one bit
// per pixel, for three two bits per pixel, pixel p at the lowest.
static const uint16_t kTwoSubsetPartitions[64] = {
    0xCCCC, 0x8888, 0xEEEE, 0xECC8, 0xC880, 0xFEEC, 0xFEC8, 0xEC80,
    0xC800, 0xFFEC, 0xFE80, 0xE800, 0xFFE8, 0xFF00, 0xFFF0, 0xF000,
    0xF710, 0x008E, 0x7100, 0x08CE, 0x008C, 0x7310, 0x3100, 0x8CCE,
    0x088C, 0x3110, 0x6666, 0x366C, 0x17E8, 0x0FF0, 0x718E, 0x399C,
    0xAAAA, 0xF0F0, 0x5A5A, 0x33CC, 0x3C3C, 0x55AA, 0x9696, 0xA55A,
    0x73CE, 0x13C8, 0x324C, 0x3BDC, 0x6996, 0xC33C, 0x9966, 0x0660,
    0x0272, 0x04E4, 0x4E40, 0x2720, 0xC936, 0x936C, 0x39C6, 0x639C,
    0x9336, 0x9CC6, 0x817E, 0xE718, 0xCCF0, 0x0FCC, 0x7744, 0xEE22,
};
static const uint32_t kThreeSubsetPartitions[64] = {
    0xAA685050, 0x6A5A5040, 0x5A5A4200, 0x5450A0A8, 0xA5A50000, 0xA0A05050,
    0x5555A0A0, 0x5A5A5050, 0xAA550000, 0xAA555500, 0xAAAA5500, 0x90909090,
    0x94949494, 0xA4A4A4A4, 0xA9A59450, 0x2A0A4250, 0xA5945040, 0x0A425054,
    0xA5A5A500, 0x55A0A0A0, 0xA8A85454, 0x6A6A4040, 0xA4A45000, 0x1A1A0500,
    0x0050A4A4, 0xAAA59090, 0x14696914, 0x69691400, 0xA08585A0, 0xAA821414,
    0x50A4A450, 0x6A5A0200, 0xA9A58000, 0x5090A0A8, 0xA8A09050, 0x24242424,
    0x00AA5500, 0x24924924, 0x24499224, 0x50A50A50, 0x500AA550, 0xAAAA4444,
    0x66660000, 0xA5A0A5A0, 0x50A050A0, 0x69286928, 0x44AAAA44, 0x66666600,
    0xAA444444, 0x54A854A8, 0x95809580, 0x96969600, 0xA85454A8, 0x80959580,
    0xAA141414, 0x96960000, 0xAAAA1414, 0xA05050A0, 0xA0A5A5A0, 0x96000000,
    0x40804080, 0xA9A8A9A8, 0xAAAAAA44, 0x2A4A5254,
};
static const uint8_t kSecondAnchorOfTwo[64] = {
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
    15, 2, 8, 2, 2, 8, 8, 15, 2, 8, 2, 2, 8, 8, 2, 2,
    15, 15, 6, 8, 2, 8, 15, 15, 2, 8, 2, 2, 2, 15, 15, 6,
    6, 2, 6, 8, 15, 15, 2, 2, 15, 15, 15, 15, 15, 2, 2, 15,
};
static const uint8_t kSecondAnchorOfThree[64] = {
    3, 3, 15, 15, 8, 3, 15, 15, 8, 8, 6, 6, 6, 5, 3, 3,
    3, 3, 8, 15, 3, 3, 6, 10, 5, 8, 8, 6, 8, 5, 15, 15,
    8, 15, 3, 5, 6, 10, 8, 15, 15, 3, 15, 5, 15, 15, 15, 15,
    3, 15, 5, 5, 5, 8, 5, 10, 5, 10, 8, 13, 15, 12, 3, 3,
};
static const uint8_t kThirdAnchorOfThree[64] = {
    15, 8, 8, 3, 15, 15, 3, 8, 15, 15, 15, 15, 15, 15, 15, 8,
    15, 8, 15, 3, 15, 8, 15, 8, 3, 15, 6, 10, 15, 15, 10, 8,
    15, 3, 15, 10, 10, 8, 9, 10, 6, 15, 8, 15, 3, 6, 6, 8,
    15, 3, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3, 15, 15, 8,
};

struct Bc7Mode {
  unsigned subsets, partitionBits, rotationBits, selectionBits, colourBits, alphaBits, endpointPBits, sharedPBits,
      indexBits, secondIndexBits;
};
const Bc7Mode kModes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

const uint8_t kWeights2[4] = {0, 21, 43, 64};
const uint8_t kWeights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
const uint8_t kWeights4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

const uint8_t* weightsFor(unsigned bits) { return bits == 2 ? kWeights2 : bits == 3 ? kWeights3 : kWeights4; }

// The block's 128 bits read from the lowest up; no field is wider than 8 bits.
struct BlockBits {
  uint64_t low;
  uint64_t high;
  unsigned position;

  uint32_t take(unsigned count) {
    if (count == 0) return 0;
    uint64_t value;
    if (position >= 64) {
      value = high >> (position - 64);
    } else if (position + count <= 64) {
      value = low >> position;
    } else {
      value = low >> position | high << (64 - position);
    }
    position += count;
    return static_cast<uint32_t>(value) & ((1u << count) - 1);
  }
};

// A quantised endpoint channel of `bits` bits to 8 bits, its top bits
// repeated below.
uint32_t widen(uint32_t value, unsigned bits) { return value << (8 - bits) | value >> (2 * bits - 8); }

uint32_t interpolate(uint32_t e0, uint32_t e1, unsigned weight) { return ((64 - weight) * e0 + weight * e1 + 32) >> 6; }

}  // namespace

void decodeBc7Block(const uint8_t* block, uint32_t words[16]) {
  unsigned modeNumber = 0;
  while (modeNumber < 8 && !(block[0] >> modeNumber & 1)) ++modeNumber;
  if (modeNumber == 8) {  // reserved: transparent black
    for (unsigned p = 0; p < 16; ++p) words[p] = 0;
    return;
  }
  const Bc7Mode& mode = kModes[modeNumber];
  BlockBits bits{readLe32(block) | static_cast<uint64_t>(readLe32(block + 4)) << 32,
                 readLe32(block + 8) | static_cast<uint64_t>(readLe32(block + 12)) << 32, modeNumber + 1};
  const unsigned partition = bits.take(mode.partitionBits);
  const unsigned rotation = bits.take(mode.rotationBits);
  const unsigned selection = bits.take(mode.selectionBits);
  const unsigned endpointCount = 2 * mode.subsets;
  uint32_t endpoints[6][4];  // subset s's endpoints at 2s and 2s + 1; red, green, blue, alpha
  for (unsigned channel = 0; channel < 3; ++channel) {
    for (unsigned e = 0; e < endpointCount; ++e) endpoints[e][channel] = bits.take(mode.colourBits);
  }
  for (unsigned e = 0; e < endpointCount; ++e) endpoints[e][3] = bits.take(mode.alphaBits);
  uint32_t pBits[6] = {};
  for (unsigned e = 0; e < endpointCount && mode.endpointPBits; ++e) pBits[e] = bits.take(1);
  for (unsigned s = 0; s < mode.subsets && mode.sharedPBits; ++s) pBits[2 * s] = pBits[2 * s + 1] = bits.take(1);
  const unsigned pBitCount = mode.endpointPBits + mode.sharedPBits;
  for (unsigned e = 0; e < endpointCount; ++e) {
    for (unsigned channel = 0; channel < 4; ++channel) {
      const unsigned stored = channel < 3 ? mode.colourBits : mode.alphaBits;
      if (stored == 0) {
        endpoints[e][channel] = 255;
        continue;
      }
      const uint32_t value = endpoints[e][channel] << pBitCount | (pBitCount ? pBits[e] : 0);
      endpoints[e][channel] = widen(value, stored + pBitCount);
    }
  }
  unsigned subsetOf[16];
  unsigned anchors[3] = {0, 0, 0};
  for (unsigned p = 0; p < 16; ++p) {
    subsetOf[p] = mode.subsets == 2   ? kTwoSubsetPartitions[partition] >> p & 1u
                  : mode.subsets == 3 ? kThreeSubsetPartitions[partition] >> (2 * p) & 3u
                                      : 0;
  }
  if (mode.subsets == 2) anchors[1] = kSecondAnchorOfTwo[partition];
  if (mode.subsets == 3) {
    anchors[1] = kSecondAnchorOfThree[partition];
    anchors[2] = kThirdAnchorOfThree[partition];
  }
  unsigned primary[16], secondary[16] = {};
  for (unsigned p = 0; p < 16; ++p) {
    const bool anchor = p == anchors[subsetOf[p]];
    primary[p] = bits.take(mode.indexBits - (anchor ? 1 : 0));
  }
  for (unsigned p = 0; p < 16 && mode.secondIndexBits; ++p) secondary[p] = bits.take(mode.secondIndexBits - (p == 0 ? 1 : 0));
  const bool swapped = selection != 0;  // mode 4: colours from the secondary indices
  const unsigned colourBits = swapped ? mode.secondIndexBits : mode.indexBits;
  const unsigned alphaBits = mode.secondIndexBits && !swapped ? mode.secondIndexBits : mode.indexBits;
  const uint8_t* colourWeights = weightsFor(colourBits);
  const uint8_t* alphaWeights = weightsFor(alphaBits);
  for (unsigned p = 0; p < 16; ++p) {
    const uint32_t* e0 = endpoints[2 * subsetOf[p]];
    const uint32_t* e1 = endpoints[2 * subsetOf[p] + 1];
    const unsigned colourIndex = swapped ? secondary[p] : primary[p];
    const unsigned alphaIndex = mode.secondIndexBits && !swapped ? secondary[p] : primary[p];
    uint32_t rgba[4];
    for (unsigned channel = 0; channel < 3; ++channel) {
      rgba[channel] = interpolate(e0[channel], e1[channel], colourWeights[colourIndex]);
    }
    rgba[3] = interpolate(e0[3], e1[3], alphaWeights[alphaIndex]);
    if (rotation) std::swap(rgba[3], rgba[rotation - 1]);
    words[p] = rgba[2] | rgba[1] << 8 | rgba[0] << 16 | rgba[3] << 24;
  }
}
