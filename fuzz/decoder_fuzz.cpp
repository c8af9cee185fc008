// Feeds arbitrary bytes to the decoder as a container. Level files go to a
// private scratch folder and the decoder's printing to /dev/null.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tool/commands.h"

static std::string scratchBase;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto dir = std::filesystem::temp_directory_path() / "tessark-fuzz";
  std::filesystem::create_directories(dir);
  scratchBase = (dir / "level").string();
  if (!freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  decodeContainerBytes(data, size, scratchBase, bestSimdPath());
  return 0;
}
