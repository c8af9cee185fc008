#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

Bytes readFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFileText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

Bytes hexBytes(const std::string& hex) {
  Bytes bytes;
  std::istringstream in(hex);
  std::string token;
  while (in >> token) bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
  return bytes;
}

ScratchDir::ScratchDir() {
  std::random_device random;
  for (;;) {
    path_ = fs::temp_directory_path() / ("quorvel-test-" + std::to_string(random()));
    if (fs::create_directory(path_)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDir::fileNames() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string captureStdout(void (*body)(void*), void* context) {
  testing::internal::CaptureStdout();
  body(context);
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

void saveFuzzSeed(const Bytes& bytes) {
  const char* dir = std::getenv("QUORVEL_FUZZ_SEEDS");
  if (!dir) return;
  uint64_t hash = 14695981039346656037ull;
  for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  writeFileBytes(std::filesystem::path(dir) / ("seed-" + std::to_string(hash)), bytes);
}
