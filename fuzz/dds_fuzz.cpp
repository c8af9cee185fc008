// Feeds arbitrary bytes to the standard DDS reader and decoder (as a file
// that starts with "DDS "). Level files go to a private scratch folder,
// standard output to /dev/null; standard error stays libFuzzer's, so a
// refused header (whose line goes there) is read but not decoded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "decode/dds_header.h"
#include "tool/commands.h"

static std::string scratchBase;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto dir = std::filesystem::temp_directory_path() / "tessark-dds-fuzz";
  std::filesystem::create_directories(dir);
  scratchBase = (dir / "level").string();
  if (!freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  if (file.size() >= 4) std::memcpy(file.data(), "DDS ", 4);  // every input reaches the DDS reader
  if (!readDdsHeader(file.data(), file.size()).accepted) return 0;
  decodeDdsBytes(file.data(), file.size(), "fuzz.dds", scratchBase);
  return 0;
}
