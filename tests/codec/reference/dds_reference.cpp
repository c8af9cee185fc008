#include "reference/dds_reference.h"

#include <cmath>
#include <string>
#include <utility>

namespace {

using Texel = std::array<int, 4>;  // r, g, b, a

uint32_t u32(const std::vector<uint8_t>& f, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v * 256 + f.at(at + static_cast<size_t>(i));
  return v;
}

// The value of an n-bit field spread over 8 bits: output bit 7 - i is the
// field's bit n - 1 - (i mod n), the top bits repeated downward.
int replicate(uint32_t value, int n) {
  int out = 0;
  for (int i = 0; i < 8; ++i) out |= static_cast<int>(value >> (n - 1 - i % n) & 1) << (7 - i);
  return out;
}

int toByte(uint32_t value, int n) {
  if (n <= 8) return replicate(value, n);
  return static_cast<int>(std::floor(value * 255.0 / ((1u << n) - 1) + 0.5));
}

// Table.P2 and Table.P3, one string of 16 subset digits per partition.
const char* const kPartitionsOf2[64] = {
    "0011001100110011", "0001000100010001", "0111011101110111", "0001001100110111",
    "0000000100010011", "0011011101111111", "0001001101111111", "0000000100110111",
    "0000000000010011", "0011011111111111", "0000000101111111", "0000000000010111",
    "0001011111111111", "0000000011111111", "0000111111111111", "0000000000001111",
    "0000100011101111", "0111000100000000", "0000000010001110", "0111001100010000",
    "0011000100000000", "0000100011001110", "0000000010001100", "0111001100110001",
    "0011000100010000", "0000100010001100", "0110011001100110", "0011011001101100",
    "0001011111101000", "0000111111110000", "0111000110001110", "0011100110011100",
    "0101010101010101", "0000111100001111", "0101101001011010", "0011001111001100",
    "0011110000111100", "0101010110101010", "0110100101101001", "0101101010100101",
    "0111001111001110", "0001001111001000", "0011001001001100", "0011101111011100",
    "0110100110010110", "0011110011000011", "0110011010011001", "0000011001100000",
    "0100111001000000", "0010011100100000", "0000001001110010", "0000010011100100",
    "0110110010010011", "0011011011001001", "0110001110011100", "0011100111000110",
    "0110110011001001", "0110001100111001", "0111111010000001", "0001100011100111",
    "0000111100110011", "0011001111110000", "0010001011101110", "0100010001110111",
};
const char* const kPartitionsOf3[64] = {
    "0011001102212222", "0001001122112221", "0000200122112211", "0222002200110111",
    "0000000011221122", "0011001100220022", "0022002211111111", "0011001122112211",
    "0000000011112222", "0000111111112222", "0000111122222222", "0012001200120012",
    "0112011201120112", "0122012201220122", "0011011211221222", "0011200122002220",
    "0001001101121122", "0111001120012200", "0000112211221122", "0022002200221111",
    "0111011102220222", "0001000122212221", "0000001101220122", "0000110022102210",
    "0122012200110000", "0012001211222222", "0110122112210110", "0000011012211221",
    "0022110211020022", "0110011020022222", "0011012201220011", "0000200022112221",
    "0000000211221222", "0222002200120011", "0011001200220222", "0120012001200120",
    "0000111122220000", "0120120120120120", "0120201212010120", "0011220011220011",
    "0011112222000011", "0101010122222222", "0000000021212121", "0022112200221122",
    "0022001100220011", "0220122102201221", "0101222222220101", "0000212121212121",
    "0101010101012222", "0222011102220111", "0002111200021112", "0000211221122112",
    "0222011101110222", "0002111211120002", "0110011001102222", "0000000021122112",
    "0110011022222222", "0022001100110022", "0022112211220022", "0000000000002112",
    "0002000100020001", "0222122202221222", "0101222222222222", "0111201122012220",
};
// Table.A2, A3a, A3b as hexadecimal digits, one per partition.
const char kAnchor2[] = "fffffffffffffffff282288f28228822ff6828ff28222ff66268ff22fffff22f";
const char kAnchor3a[] = "33ff83ff88666533338f336a588685ff8f356a8ff3f5ffff3f55585a5a8dfc33";
const char kAnchor3b[] = "f883ff38fffffff8f8f3f8f83f6affa8f3faa89a6f8f3668f3ffffffffff3ff8";

// ---- BC1 to BC3 ----

Texel endpoint565(int c) { return {toByte(static_cast<uint32_t>(c >> 11), 5), toByte(static_cast<uint32_t>(c >> 5 & 63), 6), toByte(static_cast<uint32_t>(c & 31), 5), 255}; }

Texel colourTexel(const uint8_t* b, int x, int y, bool bc1) {
  const int c0 = b[0] + 256 * b[1], c1 = b[2] + 256 * b[3];
  const Texel e0 = endpoint565(c0), e1 = endpoint565(c1);
  const int index = b[4 + y] >> (2 * x) & 3;
  const bool four = !bc1 || c0 > c1;
  Texel t{};
  for (int ch = 0; ch < 3; ++ch) {
    switch (index) {
      case 0: t[ch] = e0[ch]; break;
      case 1: t[ch] = e1[ch]; break;
      case 2: t[ch] = four ? (2 * e0[ch] + e1[ch]) / 3 : (e0[ch] + e1[ch]) / 2; break;
      default: t[ch] = four ? (e0[ch] + 2 * e1[ch]) / 3 : 0; break;
    }
  }
  t[3] = (!four && index == 3) ? 0 : 255;
  return t;
}

int explicitAlpha(const uint8_t* b, int x, int y) {
  const int p = 4 * y + x;
  return (b[p / 2] >> (4 * (p % 2)) & 15) * 17;
}

int rampAlpha(const uint8_t* b, int x, int y) {
  const int a0 = b[0], a1 = b[1];
  const int p = 4 * y + x;
  int index = 0;
  for (int bit = 0; bit < 3; ++bit) {
    const int at = 16 + 3 * p + bit;
    index |= (b[at / 8] >> (at % 8) & 1) << bit;
  }
  if (index == 0) return a0;
  if (index == 1) return a1;
  if (a0 > a1) return static_cast<int>(std::floor(((8 - index) * a0 + (index - 1) * a1) / 7.0 + 0.5));
  if (index == 6) return 0;
  if (index == 7) return 255;
  return static_cast<int>(std::floor(((6 - index) * a0 + (index - 1) * a1) / 5.0 + 0.5));
}

// ---- BC7 ----

struct Bc7Mode {
  int ns, pb, rb, isb, cb, ab, epb, spb, ib, ib2;
};
const Bc7Mode kTableM[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

int weight(int bits, int index) {
  static const std::vector<int> w2{0, 21, 43, 64}, w3{0, 9, 18, 27, 37, 46, 55, 64},
      w4{0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};
  return (bits == 2 ? w2 : bits == 3 ? w3 : w4).at(static_cast<size_t>(index));
}

int hexDigit(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// Bits of the block as a list, read from the lowest up.
struct BitCursor {
  std::vector<int> bits;
  size_t at = 0;
  explicit BitCursor(const uint8_t* b) {
    for (int i = 0; i < 128; ++i) bits.push_back(b[i / 8] >> (i % 8) & 1);
  }
  int read(int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) v |= bits.at(at++) << i;
    return v;
  }
};

Texel bc7Texel(const uint8_t* b, int x, int y) {
  int mode = 0;
  while (mode < 8 && !(b[0] >> mode & 1)) ++mode;
  if (mode == 8) return {0, 0, 0, 0};
  const Bc7Mode& m = kTableM[mode];
  BitCursor cur(b);
  cur.read(mode + 1);
  const int partition = cur.read(m.pb), rotation = cur.read(m.rb), selector = cur.read(m.isb);
  const int ends = 2 * m.ns;
  std::vector<Texel> e(static_cast<size_t>(ends));
  for (int ch = 0; ch < 4; ++ch) {
    for (int i = 0; i < ends; ++i) e[static_cast<size_t>(i)][static_cast<size_t>(ch)] = cur.read(ch < 3 ? m.cb : m.ab);
  }
  std::vector<int> p(static_cast<size_t>(ends), 0);
  if (m.epb) for (int i = 0; i < ends; ++i) p[static_cast<size_t>(i)] = cur.read(1);
  if (m.spb) for (int s = 0; s < m.ns; ++s) p[static_cast<size_t>(2 * s)] = p[static_cast<size_t>(2 * s + 1)] = cur.read(1);
  for (int i = 0; i < ends; ++i) {
    for (int ch = 0; ch < 4; ++ch) {
      int& v = e[static_cast<size_t>(i)][static_cast<size_t>(ch)];
      int n = ch < 3 ? m.cb : m.ab;
      if (n == 0) {
        v = 255;
        continue;
      }
      if (m.epb || m.spb) {
        v = v * 2 + p[static_cast<size_t>(i)];
        ++n;
      }
      v = replicate(static_cast<uint32_t>(v), n);
    }
  }
  auto subsetOf = [&](int texel) {
    if (m.ns == 2) return kPartitionsOf2[partition][texel] - '0';
    if (m.ns == 3) return kPartitionsOf3[partition][texel] - '0';
    return 0;
  };
  auto isAnchor = [&](int texel) {
    if (texel == 0) return true;
    if (m.ns == 2) return texel == hexDigit(kAnchor2[partition]);
    if (m.ns == 3) return texel == hexDigit(kAnchor3a[partition]) || texel == hexDigit(kAnchor3b[partition]);
    return false;
  };
  const int wanted = 4 * y + x;
  int primary = 0, secondary = 0;
  for (int t = 0; t < 16; ++t) {
    const int v = cur.read(isAnchor(t) ? m.ib - 1 : m.ib);
    if (t == wanted) primary = v;
  }
  for (int t = 0; t < 16 && m.ib2; ++t) {
    const int v = cur.read(t == 0 ? m.ib2 - 1 : m.ib2);
    if (t == wanted) secondary = v;
  }
  const int s = subsetOf(wanted);
  const Texel& a = e[static_cast<size_t>(2 * s)];
  const Texel& c = e[static_cast<size_t>(2 * s + 1)];
  int colourIndex = primary, colourBits = m.ib, alphaIndex = primary, alphaBits = m.ib;
  if (m.ib2) {
    if (selector) {
      colourIndex = secondary;
      colourBits = m.ib2;
    } else {
      alphaIndex = secondary;
      alphaBits = m.ib2;
    }
  }
  Texel t{};
  for (int ch = 0; ch < 4; ++ch) {
    const int w = ch < 3 ? weight(colourBits, colourIndex) : weight(alphaBits, alphaIndex);
    t[static_cast<size_t>(ch)] = ((64 - w) * a[static_cast<size_t>(ch)] + w * c[static_cast<size_t>(ch)] + 32) >> 6;
  }
  if (rotation) std::swap(t[3], t[static_cast<size_t>(rotation - 1)]);
  return t;
}

// ---- the file ----

struct Layout {
  int kind = 0;  // 1, 2, 3, 7: BCn; 0: bit masks
  int pixelBytes = 0;
  uint32_t mask[4] = {};  // r, g, b, a (luminance: r = g = b)
};

int channel(uint32_t pixel, uint32_t mask) {
  if (!mask) return 255;
  int shift = 0, n = 0;
  while (!(mask >> shift & 1)) ++shift;
  while (shift + n < 32 && (mask >> (shift + n) & 1)) ++n;
  return toByte((pixel & mask) >> shift, n);
}

bool readLayout(const std::vector<uint8_t>& f, Layout& l, size_t& data) {
  data = 128;
  const uint32_t flags = u32(f, 80), code = u32(f, 84);
  auto cc = [](const char* s) { return static_cast<uint32_t>(s[0] | s[1] << 8 | s[2] << 16 | s[3] << 24); };
  if (flags & 4) {
    if (code == cc("DXT1")) l.kind = 1;
    else if (code == cc("DXT2") || code == cc("DXT3")) l.kind = 2;
    else if (code == cc("DXT4") || code == cc("DXT5")) l.kind = 3;
    else if (code == cc("DX10")) {
      data = 148;
      const uint32_t dxgi = u32(f, 128);
      if (dxgi >= 70 && dxgi <= 72) l.kind = 1;
      else if (dxgi >= 73 && dxgi <= 75) l.kind = 2;
      else if (dxgi >= 76 && dxgi <= 78) l.kind = 3;
      else if (dxgi >= 97 && dxgi <= 99) l.kind = 7;
      else {
        struct Masks { uint32_t dxgi; int bytes; uint32_t r, g, b, a; };
        const Masks known[] = {{27, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {28, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
                               {29, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {87, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                               {90, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {91, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                               {88, 4, 0xFF0000, 0xFF00, 0xFF, 0}, {92, 4, 0xFF0000, 0xFF00, 0xFF, 0},
                               {93, 4, 0xFF0000, 0xFF00, 0xFF, 0}, {85, 2, 0xF800, 0x7E0, 0x1F, 0},
                               {86, 2, 0x7C00, 0x3E0, 0x1F, 0x8000}, {115, 2, 0xF00, 0xF0, 0xF, 0xF000}};
        bool found = false;
        for (const Masks& k : known) {
          if (k.dxgi != dxgi) continue;
          l = {0, k.bytes, {k.r, k.g, k.b, k.a}};
          found = true;
        }
        return found;
      }
    } else {
      return false;
    }
    return true;
  }
  l.pixelBytes = static_cast<int>(u32(f, 88) / 8);
  const uint32_t a = (flags & 1) ? u32(f, 104) : 0;
  if (flags & 0x20000) l = {0, l.pixelBytes, {u32(f, 92), u32(f, 92), u32(f, 92), a}};
  else if (flags & 0x40) l = {0, l.pixelBytes, {u32(f, 92), u32(f, 96), u32(f, 100), a}};
  else return false;
  return true;
}

}  // namespace

ReferenceTexture referenceDecodeDds(const std::vector<uint8_t>& f) {
  ReferenceTexture texture;
  Layout l;
  size_t at = 0;
  if (f.size() < 128 || !readLayout(f, l, at)) return texture;
  const uint32_t height = u32(f, 12), width = u32(f, 16);
  const uint32_t count = u32(f, 28) ? u32(f, 28) : 1;
  texture.withAlpha = l.kind == 2 || l.kind == 3 || l.kind == 7 || (l.kind == 0 && l.mask[3] != 0);
  const int blockBytes = l.kind == 1 ? 8 : 16;
  for (uint32_t k = 0; k < count; ++k) {
    ReferenceLevel level;
    level.width = width >> k ? width >> k : 1;
    level.height = height >> k ? height >> k : 1;
    const uint32_t across = (level.width + 3) / 4, down = (level.height + 3) / 4;
    const size_t bytes = l.kind ? size_t{across} * down * static_cast<size_t>(blockBytes)
                                : size_t{level.width} * level.height * static_cast<size_t>(l.pixelBytes);
    if (at + bytes > f.size()) break;
    if (l.kind == 1) {  // the BC1 rule: any block in three-colour mode that uses index 3
      for (size_t b = at; b < at + bytes; b += 8) {
        const bool three = f[b] + 256 * f[b + 1] <= f[b + 2] + 256 * f[b + 3];
        for (int i = 0; i < 16 && three; ++i) texture.withAlpha |= (f[b + 4 + static_cast<size_t>(i / 4)] >> (2 * (i % 4)) & 3) == 3;
      }
    }
    for (uint32_t y = 0; y < level.height; ++y) {
      for (uint32_t x = 0; x < level.width; ++x) {
        Texel t{};
        if (l.kind) {
          const uint8_t* b = &f[at + (size_t{y / 4} * across + x / 4) * static_cast<size_t>(blockBytes)];
          const int bx = static_cast<int>(x % 4), by = static_cast<int>(y % 4);
          if (l.kind == 7) {
            t = bc7Texel(b, bx, by);
          } else {
            t = colourTexel(l.kind == 1 ? b : b + 8, bx, by, l.kind == 1);
            if (l.kind == 2) t[3] = explicitAlpha(b, bx, by);
            if (l.kind == 3) t[3] = rampAlpha(b, bx, by);
          }
        } else {
          uint32_t pixel = 0;
          for (int i = 0; i < l.pixelBytes; ++i) pixel |= uint32_t{f[at + (size_t{y} * level.width + x) * static_cast<size_t>(l.pixelBytes) + static_cast<size_t>(i)]} << (8 * i);
          t = {channel(pixel, l.mask[0]), channel(pixel, l.mask[1]), channel(pixel, l.mask[2]), channel(pixel, l.mask[3])};
        }
        level.rgba.push_back({static_cast<uint8_t>(t[0]), static_cast<uint8_t>(t[1]), static_cast<uint8_t>(t[2]), static_cast<uint8_t>(t[3])});
      }
    }
    at += bytes;
    texture.levels.push_back(std::move(level));
  }
  return texture;
}
