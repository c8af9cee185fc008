// The block encoders and the mip reduction written once against a lane
// backend V (lanes_scalar.h, lanes_sse2.h, lanes_avx2.h): every lane holds
// one block and performs exactly the plain path's float operations in the
// same order (block_encode.cpp, mip.cpp); IEEE add, subtract, multiply,
// divide and square root are exactly rounded everywhere, so each lane gets
// the plain path's bits. The plain path's per-block branches (no spread, the
// leading channel, equal end colours, equal endpoints, equal alpha range)
// become masks: both sides are computed and the plain path's side selected.
//
// Each backend's source file includes this header once; everything has
// internal linkage, so a kernel compiled for AVX2 is never shared with code
// that runs on other processors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encode/block_constants.h"
#include "encode/lane_kernels.h"
#include "encode/lanes_scalar.h"
#include "encode/mean_alpha.h"

namespace {

template <class V>
using F = typename V::F;
template <class V>
using I = typename V::I;
template <class V>
using M = typename V::M;

// 16 positions of kLanes blocks, one vector per position and channel.
template <class V>
struct LaneBlock {
  F<V> red[kBlockPixels];
  F<V> green[kBlockPixels];
  F<V> blue[kBlockPixels];
  F<V> alpha[kBlockPixels];
};

// (a.red*b.red + a.green*b.green) + a.blue*b.blue, as vecDot.
template <class V>
F<V> dot(F<V> ar, F<V> ag, F<V> ab, F<V> br, F<V> bg, F<V> bb) {
  return V::add(V::add(V::mul(ar, br), V::mul(ag, bg)), V::mul(ab, bb));
}

// sum + delta where the mask is set: a mask is -1 as an integer.
template <class V>
I<V> addWhere(I<V> sum, M<V> where, int32_t delta) {
  const I<V> mask = V::maskAsInt(where);
  return V::addInt(sum, delta == -1 ? mask : V::andInt(mask, V::splatInt(delta)));
}

// roundHalfDown(clampChannel(scaled, maximum)): NaN and values below 0 give
// 0, values above maximum give maximum; truncate, then add 1 when the
// remaining fraction is above 0.5.
template <class V>
I<V> roundClamped(F<V> scaled, float maximum) {
  const F<V> zero = V::splat(0.0f);
  scaled = V::keepWhere(V::greaterEqual(scaled, zero), scaled);
  scaled = V::select(V::greater(scaled, V::splat(maximum)), V::splat(maximum), scaled);
  const I<V> truncated = V::truncate(scaled);
  const F<V> fraction = V::sub(scaled, V::toFloat(truncated));
  return addWhere<V>(truncated, V::greater(fraction, V::splat(0.5f)), 1);
}

template <class V>
I<V> quantizeRgb565(F<V> red, F<V> green, F<V> blue) {
  const I<V> r = roundClamped<V>(V::mul(red, V::splat(31.0f)), 31.0f);
  const I<V> g = roundClamped<V>(V::mul(green, V::splat(63.0f)), 63.0f);
  const I<V> b = roundClamped<V>(V::mul(blue, V::splat(31.0f)), 31.0f);
  return V::addInt(V::addInt(V::shiftLeft(r, 11), V::shiftLeft(g, 5)), b);
}

// fitLineDirection's three cases: red leads (1, dg, db), green leads
// (0, 1, db), normalised; only blue spreads: (0, 0, 1) as it is.
template <class V>
void lineDirection(const F<V> sums[3], const F<V> cross[3], F<V> direction[3]) {
  const F<V> zero = V::splat(0.0f), one = V::splat(1.0f), sixteenth = V::splat(1.0f / 16.0f);
  const F<V> vr = sums[0], vg = sums[1], vb = sums[2];
  const F<V> sigmaRed = V::sqrt(V::mul(vr, sixteenth));
  const F<V> sigmaGreen = V::sqrt(V::mul(vg, sixteenth));
  const F<V> sigmaBlue = V::sqrt(V::mul(vb, sixteenth));
  const M<V> redSpreads = V::notEqual(sigmaRed, zero);
  const M<V> greenSpreads = V::notEqual(sigmaGreen, zero);
  const M<V> blueSpreads = V::notEqual(sigmaBlue, zero);
  // (Srg / sqrt(Vr Vg) / sr) sg, (sb / sr) (Srb / sqrt(Vr Vb)), (sb / sg) (Sgb / sqrt(Vg Vb))
  const F<V> redGreen = V::mul(V::div(V::div(cross[0], V::sqrt(V::mul(vr, vg))), sigmaRed), sigmaGreen);
  const F<V> redBlue = V::mul(V::div(sigmaBlue, sigmaRed), V::div(cross[1], V::sqrt(V::mul(vr, vb))));
  const F<V> greenBlue = V::mul(V::div(sigmaBlue, sigmaGreen), V::div(cross[2], V::sqrt(V::mul(vg, vb))));
  const F<V> r = V::keepWhere(redSpreads, one);
  const F<V> g = V::select(redSpreads, V::keepWhere(greenSpreads, redGreen), V::keepWhere(greenSpreads, one));
  const F<V> b = V::select(redSpreads, V::keepWhere(blueSpreads, redBlue),
                           V::select(greenSpreads, V::keepWhere(blueSpreads, greenBlue), one));
  // vecNormalize: times the rounded reciprocal of the length.
  const F<V> reciprocal = V::div(one, V::sqrt(dot<V>(r, g, b, r, g, b)));
  const M<V> normalize = V::either(redSpreads, greenSpreads);
  direction[0] = V::select(normalize, V::mul(r, reciprocal), r);
  direction[1] = V::select(normalize, V::mul(g, reciprocal), g);
  direction[2] = V::select(normalize, V::mul(b, reciprocal), b);
}

// fitColorLine and writeColorBlock for kLanes blocks: ends gets
// color0 | color1 << 16, indices the 16 two-bit indices.
template <class V>
void encodeColorLanes(const LaneBlock<V>& block, I<V>& ends, I<V>& indices) {
  const F<V> zero = V::splat(0.0f), one = V::splat(1.0f);
  const F<V>* channel[3] = {block.red, block.green, block.blue};
  F<V> mean[3], sums[3], cross[3];
  for (int c = 0; c < 3; ++c) {
    mean[c] = zero;
    for (uint32_t j = 0; j < kBlockPixels; ++j) mean[c] = V::add(mean[c], channel[c][j]);
    mean[c] = V::mul(mean[c], V::splat(1.0f / 16.0f));
    sums[c] = cross[c] = zero;
  }
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    const F<V> dr = V::sub(block.red[j], mean[0]), dg = V::sub(block.green[j], mean[1]);
    const F<V> db = V::sub(block.blue[j], mean[2]);
    sums[0] = V::add(sums[0], V::mul(dr, dr));
    sums[1] = V::add(sums[1], V::mul(dg, dg));
    sums[2] = V::add(sums[2], V::mul(db, db));
    cross[0] = V::add(cross[0], V::mul(dr, dg));
    cross[1] = V::add(cross[1], V::mul(dr, db));
    cross[2] = V::add(cross[2], V::mul(dg, db));
  }
  const M<V> noSpread =
      V::both(V::both(V::equal(sums[0], zero), V::equal(sums[1], zero)), V::equal(sums[2], zero));

  F<V> d[3];
  lineDirection<V>(sums, cross, d);
  const F<V> directionSquared = dot<V>(d[0], d[1], d[2], d[0], d[1], d[2]);
  F<V> tMin = V::splat(10000.0f), tMax = zero;
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    const F<V> t = V::div(dot<V>(V::sub(block.red[j], mean[0]), V::sub(block.green[j], mean[1]),
                                 V::sub(block.blue[j], mean[2]), d[0], d[1], d[2]),
                          directionSquared);
    tMin = V::lessOr(t, tMin);
    tMax = V::greaterOr(t, tMax);
  }
  F<V> end0[3], end1[3], span[3];
  for (int c = 0; c < 3; ++c) {
    end0[c] = V::select(noSpread, mean[c], V::add(mean[c], V::mul(d[c], tMin)));
    end1[c] = V::select(noSpread, mean[c], V::add(mean[c], V::mul(d[c], tMax)));
    span[c] = V::sub(end1[c], end0[c]);
  }
  const M<V> equalEnds =
      V::both(V::both(V::equal(end0[0], end1[0]), V::equal(end0[1], end1[1])), V::equal(end0[2], end1[2]));
  const M<V> paramsZero = V::either(noSpread, equalEnds);

  const I<V> q0 = quantizeRgb565<V>(end0[0], end0[1], end0[2]);
  const I<V> q1 = quantizeRgb565<V>(end1[0], end1[1], end1[2]);
  const F<V> spanSquared = dot<V>(span[0], span[1], span[2], span[0], span[1], span[2]);
  const F<V> low = V::splat(kIndexThresholdLow), high = V::splat(kIndexThresholdHigh), half = V::splat(0.5f);
  indices = V::splatInt(0);
  #pragma GCC unroll 16  // constant shifts, no loop-carried branches
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    F<V> t = V::div(dot<V>(V::sub(block.red[j], end0[0]), V::sub(block.green[j], end0[1]),
                           V::sub(block.blue[j], end0[2]), span[0], span[1], span[2]),
                    spanSquared);
    t = V::lessOr(one, t);      // t > 1: 1 (NaN stays)
    t = V::greaterOr(zero, t);  // then t < 0: 0
    t = V::clearWhere(paramsZero, t);
    // 3, then 2 up to 0.5, 1 from the high threshold, 0 up to the low one.
    I<V> index = addWhere<V>(V::splatInt(3), V::lessEqual(t, half), -1);
    index = addWhere<V>(index, V::greaterEqual(t, high), -2);
    index = addWhere<V>(index, V::lessEqual(t, low), -2);
    indices = V::orInt(indices, V::shiftLeft(index, static_cast<int>(2 * j)));
  }
  indices = V::selectInt(V::equalInt(q0, q1), V::splatInt(0), indices);
  ends = V::orInt(q0, V::shiftLeft(q1, 16));
}

// normalizeAlphas and writeAlphaBlock for kLanes blocks: the block's 64 bits
// as low and high 32-bit halves.
template <class V>
void encodeAlphaLanes(const F<V> alphas[kBlockPixels], I<V>& low, I<V>& high) {
  const F<V> zero = V::splat(0.0f), one = V::splat(1.0f);
  F<V> maxAlpha = V::splat(-100000.0f), minAlpha = V::splat(100000.0f);
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    maxAlpha = V::greaterOr(alphas[j], maxAlpha);
    minAlpha = V::lessOr(alphas[j], minAlpha);
  }
  // Equal range: 0..1 when all are 0, else 0..the common value.
  const M<V> equalRange = V::equal(maxAlpha, minAlpha);
  const M<V> minZero = V::equal(minAlpha, zero);
  const F<V> rangeMax = V::select(V::both(equalRange, minZero), one, maxAlpha);
  const F<V> rangeMin = V::select(equalRange, V::keepWhere(minZero, minAlpha), minAlpha);
  const F<V> range = V::sub(rangeMax, rangeMin);

  low = V::orInt(roundClamped<V>(V::mul(rangeMax, V::splat(255.0f)), 255.0f),
                 V::shiftLeft(roundClamped<V>(V::mul(rangeMin, V::splat(255.0f)), 255.0f), 8));
  high = V::splatInt(0);
  #pragma GCC unroll 16  // constant shifts, no loop-carried branches
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    const F<V> normalized = V::div(V::sub(alphas[j], rangeMin), range);
    const F<V> h = V::mul(V::sub(one, normalized), V::splat(14.0f));
    // alphaRampIndex: 7, minus one for each bound 3, 5, ... 11 that h does
    // not exceed; 1 from 13 on, 0 up to 1.
    I<V> index = V::splatInt(7);
    for (int bound = 3; bound <= 11; bound += 2) {
      index = addWhere<V>(index, V::lessEqual(h, V::splat(static_cast<float>(bound))), -1);
    }
    index = addWhere<V>(index, V::greaterEqual(h, V::splat(13.0f)), -6);
    index = addWhere<V>(index, V::lessEqual(h, one), -2);
    const int bit = static_cast<int>(16 + 3 * j);  // of the block's 64 bits
    if (bit < 32) low = V::orInt(low, V::shiftLeft(index, bit));
    if (bit + 3 > 32) high = V::orInt(high, bit >= 32 ? V::shiftLeft(index, bit - 32) : V::shiftRight(index, 32 - bit));
  }
}

inline void putLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Encodes kLanes gathered blocks and writes the first `count` of them.
template <class V>
void encodeAndWrite(const LaneBlock<V>& block, bool withAlpha, uint32_t count, uint8_t* out) {
  uint32_t words[4][V::kLanes];
  I<V> ends, indices;
  encodeColorLanes<V>(block, ends, indices);
  V::storeInt(words[2], ends);
  V::storeInt(words[3], indices);
  if (withAlpha) {
    I<V> low, high;
    encodeAlphaLanes<V>(block.alpha, low, high);
    V::storeInt(words[0], low);
    V::storeInt(words[1], high);
  }
  const int firstWord = withAlpha ? 0 : 2;
  for (uint32_t t = 0; t < count; ++t) {
    for (int word = firstWord; word < 4; ++word, out += 4) putLe32(out, words[word][t]);
  }
}

// Where the four pixel rows of each lane's tile start (pixel index into the
// level, stored order) for the blocks first .. first + kLanes - 1; lanes past
// the last block repeat it.
template <class V>
void tileRowStarts(uint32_t w, uint32_t h, bool topLeftOrigin, uint32_t first, uint32_t blockCount,
                   size_t starts[4][V::kLanes]) {
  const uint32_t tilesPerRow = w / 4;
  for (uint32_t t = 0; t < V::kLanes; ++t) {
    const uint32_t b = first + t < blockCount ? first + t : blockCount - 1;
    const uint32_t left = 4 * (b % tilesPerRow), top = 4 * (b / tilesPerRow);
    for (uint32_t y = 0; y < 4; ++y) {
      const uint32_t storedRow = topLeftOrigin ? top + y : h - 1 - (top + y);
      starts[y][t] = static_cast<size_t>(storedRow) * w + left;
    }
  }
}

// A colour byte of pixel words (bits shift .. shift + 7) as the reader's float.
template <class V>
F<V> unitChannel(I<V> words, int shift) {
  const I<V> byte = V::andInt(V::shiftRight(words, shift), V::splatInt(0xFF));
  return V::mul(V::toFloat(byte), V::splat(kByteToUnit));
}

// Runs every block of a level with sides >= 4 through gather and the encoders.
template <class V, class Gather>
void encodeLevelLanes(uint32_t w, uint32_t h, bool topLeftOrigin, const PixelLayout& layout, uint8_t* out, Gather gather) {
  const uint32_t blockCount = (w / 4) * (h / 4);
  const size_t blockBytes = layout.blockBytes;
  const bool withAlpha = layout.withAlpha;
  for (uint32_t first = 0; first < blockCount; first += V::kLanes) {
    size_t starts[4][V::kLanes];
    tileRowStarts<V>(w, h, topLeftOrigin, first, blockCount, starts);
    LaneBlock<V> block;
    gather(starts, block);
    const uint32_t count = blockCount - first < V::kLanes ? blockCount - first : V::kLanes;
    encodeAndWrite<V>(block, withAlpha, count, out + first * blockBytes);
  }
}

template <class V>
void encodeSourceLevel(const uint8_t* pixels, const PixelLayout& layout, uint32_t w, uint32_t h, bool topLeftOrigin,
                       uint8_t* out) {
  const uint32_t bytesPerPixel = layout.sourceBytesPerPixel;
  const bool withAlpha = layout.withAlpha;
  encodeLevelLanes<V>(w, h, topLeftOrigin, layout, out, [&](const size_t starts[4][V::kLanes], LaneBlock<V>& block) {
    for (uint32_t y = 0; y < 4; ++y) {
      const uint8_t* sources[V::kLanes];
      for (uint32_t t = 0; t < V::kLanes; ++t) sources[t] = pixels + starts[y][t] * bytesPerPixel;
      I<V> words[4];
      V::loadPixelsTransposed(sources, bytesPerPixel, words);
      for (uint32_t x = 0; x < 4; ++x) {
        block.red[4 * y + x] = unitChannel<V>(words[x], 16);
        block.green[4 * y + x] = unitChannel<V>(words[x], 8);
        block.blue[4 * y + x] = unitChannel<V>(words[x], 0);
        if (withAlpha) block.alpha[4 * y + x] = unitChannel<V>(words[x], 24);
      }
    }
  });
}

// Where entry p of block b of a level with a side below 4 comes from (a
// pixel index, stored order), or -1 when no pixel reaches it:
//  - sides both <= 4: every pixel goes to block 0 at entry 4*row + column;
//  - one side <= 2, the other >= 8: block b takes the displayed pixels 16b
//    to 16b+15, counted row by row from the top-left corner.
inline int64_t smallLevelEntry(uint32_t w, uint32_t h, bool topLeftOrigin, uint32_t b, uint32_t p) {
  uint64_t column = p % 4, row = p / 4;
  if (w >= 8 || h >= 8) {
    const uint64_t displayed = static_cast<uint64_t>(b) * kBlockPixels + p;
    if (displayed >= static_cast<uint64_t>(w) * h) return -1;
    column = displayed % w;
    row = displayed / w;
  } else if (column >= w || row >= h) {
    return -1;
  }
  const uint64_t storedRow = topLeftOrigin ? row : h - 1 - row;
  return static_cast<int64_t>(storedRow * w + column);
}

// A level with a side below 4, kLanes blocks at a time. Entries no pixel
// reaches get black and the alpha of the level's first stored pixel, which
// lies in the block and so never widens its alpha range.
template <class V>
void encodeSmallLevel(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h, bool topLeftOrigin,
                      uint8_t* out) {
  const bool withAlpha = layout.withAlpha;
  const int channels = static_cast<int>(layout.channels);
  const size_t blockBytes = layout.blockBytes;
  const uint64_t pixels = static_cast<uint64_t>(w) * h;
  const uint32_t blockCount = pixels > kBlockPixels ? static_cast<uint32_t>(pixels / kBlockPixels) : 1;
  const float* planes[4] = {level.red, level.green, level.blue, level.alpha};
  for (uint32_t first = 0; first < blockCount; first += V::kLanes) {
    float entries[4][V::kLanes][kBlockPixels];
    for (uint32_t t = 0; t < V::kLanes; ++t) {
      const uint32_t b = first + t < blockCount ? first + t : blockCount - 1;
      for (uint32_t p = 0; p < kBlockPixels; ++p) {
        const int64_t source = smallLevelEntry(w, h, topLeftOrigin, b, p);
        for (int c = 0; c < channels; ++c) {
          entries[c][t][p] = source >= 0 ? planes[c][source] : c == 3 ? planes[c][0] : 0.0f;
        }
      }
    }
    LaneBlock<V> block;
    F<V>* blockChannels[4] = {block.red, block.green, block.blue, block.alpha};
    for (int c = 0; c < channels; ++c) {
      for (uint32_t y = 0; y < 4; ++y) {
        const float* sources[V::kLanes];
        for (uint32_t t = 0; t < V::kLanes; ++t) sources[t] = &entries[c][t][4 * y];
        V::loadTransposed(sources, &blockChannels[c][4 * y]);
      }
    }
    const uint32_t count = blockCount - first < V::kLanes ? blockCount - first : V::kLanes;
    encodeAndWrite<V>(block, withAlpha, count, out + static_cast<size_t>(first) * blockBytes);
  }
}

template <class V>
void encodePlanarLevel(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h, bool topLeftOrigin,
                       uint8_t* out) {
  const int channels = static_cast<int>(layout.channels);
  encodeLevelLanes<V>(w, h, topLeftOrigin, layout, out, [&](const size_t starts[4][V::kLanes], LaneBlock<V>& block) {
    const float* planes[4] = {level.red, level.green, level.blue, level.alpha};
    F<V>* blockChannels[4] = {block.red, block.green, block.blue, block.alpha};
    for (int c = 0; c < channels; ++c) {
      for (uint32_t y = 0; y < 4; ++y) {
        const float* sources[V::kLanes];
        for (uint32_t t = 0; t < V::kLanes; ++t) sources[t] = planes[c] + starts[y][t];
        V::loadTransposed(sources, &blockChannels[c][4 * y]);
      }
    }
  });
}

// The 2x2 squares of kLanes output pixels: top-left, top-right, bottom-left,
// bottom-right of one channel.
template <class V>
struct Squares {
  F<V> tl, tr, bl, br;
};

// Colour: ((tl + bl) + tr) + br, times the reciprocal 0.25 (vecAdd, vecDivide).
template <class V>
F<V> averageColors(const Squares<V>& s) {
  return V::mul(V::add(V::add(V::add(s.tl, s.bl), s.tr), s.br), V::splat(0.25f));
}

// Output pixels i .. i + kLanes - 1 of one output row, from the stored rows
// top and bottom; load(row, pixel) yields kLanes consecutive pixels' values
// of every channel.
template <class V, class Load>
void reduceSpan(uint32_t i, bool withAlpha, Load load, float* const outputs[4]) {
  F<V> topFirst[4]{}, topSecond[4]{}, bottomFirst[4]{}, bottomSecond[4]{};  // alpha stays unread without alpha
  load(0, 2 * i, topFirst);
  load(0, 2 * i + V::kLanes, topSecond);
  load(1, 2 * i, bottomFirst);
  load(1, 2 * i + V::kLanes, bottomSecond);
  const auto squares = [&](int c) {
    Squares<V> s;
    V::deinterleave(topFirst[c], topSecond[c], s.tl, s.tr);
    V::deinterleave(bottomFirst[c], bottomSecond[c], s.bl, s.br);
    return s;
  };
  for (int c = 0; c < kColorChannels; ++c) V::store(outputs[c] + i, averageColors<V>(squares(c)));
  if (withAlpha) {
    const Squares<V> s = squares(kColorChannels);
    V::store(outputs[kColorChannels] + i, V::averageAlphas(s.br, s.tr, s.bl, s.tl));
  }
}

// Every output row; whole vectors with V, the rest of a row one lane at a time.
template <class V, class LoadV, class LoadScalar>
void reduceRows(uint32_t w, uint32_t h, bool withAlpha, const PlanarLevel& next, LoadV loadVector,
                LoadScalar loadScalar) {
  const uint32_t halfW = w / 2;
  for (uint32_t j = 0; j < h / 2; ++j) {
    const size_t outRow = static_cast<size_t>(j) * halfW;
    float* const outputs[4] = {next.red + outRow, next.green + outRow, next.blue + outRow,
                               withAlpha ? next.alpha + outRow : nullptr};
    const size_t top = static_cast<size_t>(2 * j) * w;
    uint32_t i = 0;
    for (; i + V::kLanes <= halfW; i += V::kLanes) {
      reduceSpan<V>(i, withAlpha, [&](int row, uint32_t x, F<V> out[4]) { loadVector(top + row * w + x, out); }, outputs);
    }
    for (; i < halfW; ++i) {
      reduceSpan<ScalarLanes>(i, withAlpha, [&](int row, uint32_t x, float out[4]) { loadScalar(top + row * w + x, out); },
                              outputs);
    }
  }
}

template <class V>
void reducePlanarLevel(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h,
                       const PlanarLevel& next) {
  const float* planes[4] = {level.red, level.green, level.blue, level.alpha};
  const bool withAlpha = layout.withAlpha;
  reduceRows<V>(
      w, h, withAlpha, next,
      [&](size_t at, F<V> out[4]) {
        for (int c = 0; c < kColorChannels; ++c) out[c] = V::load(planes[c] + at);
        if (withAlpha) out[kColorChannels] = V::load(planes[kColorChannels] + at);
      },
      [&](size_t at, float out[4]) {
        for (int c = 0; c < kColorChannels; ++c) out[c] = planes[c][at];
        if (withAlpha) out[kColorChannels] = planes[kColorChannels][at];
      });
}

template <class Lanes>
void loadUnitPixels(const uint8_t* pixels, uint32_t bytesPerPixel, bool withAlpha, size_t at, F<Lanes> out[4]) {
  const I<Lanes> words = Lanes::loadPixels(pixels + at * bytesPerPixel, bytesPerPixel);
  out[0] = unitChannel<Lanes>(words, 16);
  out[1] = unitChannel<Lanes>(words, 8);
  out[2] = unitChannel<Lanes>(words, 0);
  out[3] = withAlpha ? unitChannel<Lanes>(words, 24) : Lanes::splat(0.0f);
}

template <class V>
void reduceSourceLevel(const uint8_t* pixels, const PixelLayout& layout, uint32_t w, uint32_t h,
                       const PlanarLevel& next) {
  const uint32_t bytesPerPixel = layout.sourceBytesPerPixel;
  const bool withAlpha = layout.withAlpha;
  reduceRows<V>(
      w, h, withAlpha, next,
      [&](size_t at, F<V> out[4]) { loadUnitPixels<V>(pixels, bytesPerPixel, withAlpha, at, out); },
      [&](size_t at, float out[4]) { loadUnitPixels<ScalarLanes>(pixels, bytesPerPixel, withAlpha, at, out); });
}

template <class V>
constexpr LaneKernels laneKernels(const char* name) {
  return LaneKernels{name, encodeSourceLevel<V>, reduceSourceLevel<V>, encodePlanarLevel<V>, reducePlanarLevel<V>,
                     encodeSmallLevel<V>};
}

}  // namespace
