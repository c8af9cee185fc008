// The encode paths this processor can run, plainest first: the tests run
// every one of them explicitly.
#pragma once

#include <vector>

#include "shared/simd_path.h"

inline std::vector<SimdPath> simdPathsHere() {
  std::vector<SimdPath> paths{SimdPath::Plain};
  for (SimdPath path : {SimdPath::Sse2, SimdPath::Avx2}) {
    if (path <= bestSimdPath()) paths.push_back(path);
  }
  return paths;
}
