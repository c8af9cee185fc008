// Runs the built Tessark binary with "-e" as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tga_builder.h"

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

const char kEightByEightLines[] =
    "Sourcefile Read.\nEncoding Mip Level 0 (8x8)\nEncoding Mip Level 1 (4x4)\n"
    "Encoding Mip Level 2 (2x2)\nEncoding Mip Level 3 (1x1)\nFinished Encoding";

TEST(TessarkEncodeCli, EncodesThenDecodesEndToEnd) {
  ScratchDir dir;
  fs::create_directory(dir / "tex");
  writeFileBytes(dir / "tex" / "rock.tga", makeTga(8, 8, 32, false, naturalPixel));
  ProgramResult result = runProgram(TESSARK_PATH, {"-e", "tex/rock.tga"}, dir.path());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, programText(kEightByEightLines));
  EXPECT_EQ(readFileBytes(dir / "tex" / "rock.dds").size(), 132u);
  result = runProgram(TESSARK_PATH, {"-d", "tex/rock.dds"}, dir.path());
  const std::string header = programText("Header:\nWidth/Height: 8/8\nBits per pixel: 8\nCompressed Size: 64\nMean ");
  EXPECT_EQ(result.out.substr(0, header.size()), header);
  EXPECT_TRUE(fs::exists(dir / "tex" / "rock0.tga"));
}

TEST(TessarkEncodeCli, NamesTheContainerAfterTheFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"a.b.c.tga", "a.dds"}, {"rock.old.tga", "rock.dds"}, {"my.dir/rock.tga", "my.dir/rock.dds"},
      {"noext", "noext.dds"}, {"sub/../up.tga", "sub/../up.dds"}};
  for (const auto& [source, container] : cases) {
    ScratchDir dir;
    fs::create_directories(dir / "my.dir");
    fs::create_directories(dir / "sub");
    writeFileBytes(dir / source, makeTga(8, 8, 24, true, naturalPixel));
    const ProgramResult result = runProgram(TESSARK_PATH, {"-e", source}, dir.path());
    EXPECT_EQ(result.out.substr(0, programText("Sourcefile Read.\n").size()), programText("Sourcefile Read.\n")) << source;
    EXPECT_EQ(readFileBytes(dir / container).size(), 76u) << source << " -> " << container;
  }
}

// Every rejected source leaves nothing behind but itself.
TEST(TessarkEncodeCli, RejectionsLeaveNoOutput) {
  const std::pair<Bytes, std::string> cases[] = {
      {tgaHeader(8, 8, 24, true, 5), "Unsupported Image Source Type!\n"},
      {tgaHeader(8, 8, 8, true), "Unsupported Image Source Bitdepth!\n"},
      {tgaHeader(5, 3, 32, true), "Height not Power of 2, aborting!\n"},
      {tgaHeader(6, 8, 32, true), "Width not Power of 2, aborting!\n"},
      {Bytes(10, 0), "Source TGA File too short: 10 bytes, a header needs 18\n"},
  };
  for (const auto& [tga, message] : cases) {
    ScratchDir dir;
    writeFileBytes(dir / "bad.tga", tga);
    const ProgramResult result = runProgram(TESSARK_PATH, {"-e", "bad.tga"}, dir.path());
    EXPECT_EQ(result.out, programText(message));
    EXPECT_EQ(result.exitStatus, 1) << message;
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"bad.tga"}) << message;
  }
}

TEST(TessarkEncodeCli, OutOfMemoryIsReported) {
  if (kUnderAddressSanitizer) GTEST_SKIP() << "AddressSanitizer needs more address space than the limit";
  if (runsOnWindows()) GTEST_SKIP() << "the address-space limit is set with a POSIX shell";
  // Every path streams the source and holds little more than the 22 MB
  // container, so it fits in 30 MB and runs out only below that.
  const struct {
    const char* simd;
    int limitKb;
  } cases[] = {{"plain", 20000}, {"avx2", 20000}};
  for (const auto& c : cases) {
    ScratchDir dir;
    writeFileBytes(dir / "big.tga", tgaHeader(4096, 4096, 32, true));
    const std::string command = "ulimit -v " + std::to_string(c.limitKb) + " && TESSARK_SIMD=" + c.simd + " exec \"$0\" -e big.tga";
    const ProgramResult result = runProgram("/bin/sh", {"-c", command, TESSARK_PATH}, dir.path());
    EXPECT_EQ(result.out, "Out of memory for a 4096x4096 source\n") << c.simd;
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"big.tga"}) << c.simd;
  }
}

}  // namespace
