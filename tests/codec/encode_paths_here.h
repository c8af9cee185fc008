// The encode paths this processor can run, plainest first: the tests run
// every one of them explicitly.
#pragma once

#include <vector>

#include "encode_path.h"

inline std::vector<EncodePath> encodePathsHere() {
  std::vector<EncodePath> paths{EncodePath::Plain};
  for (EncodePath path : {EncodePath::Sse2, EncodePath::Avx2}) {
    if (path <= bestEncodePath()) paths.push_back(path);
  }
  return paths;
}
