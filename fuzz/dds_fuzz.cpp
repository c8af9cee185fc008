// Feeds arbitrary bytes to the standard DDS reader and decoder (as a file
// that starts with "DDS "). Level files go to a private scratch folder, the
// printing to /dev/null.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tool/commands.h"

static std::string scratchBase;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto dir = std::filesystem::temp_directory_path() / "tessark-dds-fuzz";
  std::filesystem::create_directories(dir);
  scratchBase = (dir / "level").string();
  if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  if (file.size() >= 4) std::memcpy(file.data(), "DDS ", 4);  // every input reaches the DDS reader
  decodeDdsBytes(file.data(), file.size(), "fuzz.dds", scratchBase);
  return 0;
}
