// FloatColor: red, green, blue as 32-bit floats, nominally 0 to 1, and the
// small vector operations the encoder is built from. Every operation rounds
// to float after each step, left to right, so that the encoder gives the same
// bits on every compiler (the build forbids fused multiply-add).
#pragma once

#include <cmath>

struct FloatColor {
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
};

// (v.red*s, v.green*s, v.blue*s)
inline FloatColor vecScale(FloatColor v, float s) { return {v.red * s, v.green * s, v.blue * s}; }

// v * (1/s): one rounded reciprocal, then three products.
inline FloatColor vecDivide(FloatColor v, float s) {
  const float reciprocal = 1.0f / s;
  return vecScale(v, reciprocal);
}

inline void vecDivideInPlace(FloatColor& v, float s) { v = vecDivide(v, s); }

// a - b
inline FloatColor vecSub(FloatColor a, FloatColor b) {
  return {a.red - b.red, a.green - b.green, a.blue - b.blue};
}

// a + b
inline FloatColor vecAdd(FloatColor a, FloatColor b) {
  return {a.red + b.red, a.green + b.green, a.blue + b.blue};
}

inline void vecAddInPlace(FloatColor& a, FloatColor b) { a = vecAdd(a, b); }

// (a.red*b.red + a.green*b.green) + a.blue*b.blue
inline float vecDot(FloatColor a, FloatColor b) {
  const float redGreen = a.red * b.red + a.green * b.green;
  return redGreen + a.blue * b.blue;
}

// red^2 + green^2 + blue^2, summed in that order
inline float vecLengthSquared(FloatColor v) { return vecDot(v, v); }

// vecDivide(v, sqrt(|v|^2)); sqrtf is correctly rounded in IEEE arithmetic.
inline FloatColor vecNormalize(FloatColor v) { return vecDivide(v, std::sqrt(vecLengthSquared(v))); }

inline bool vecEqual(FloatColor a, FloatColor b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
