// The real Quorvel binary on real directories, with the real Tessark, the
// model-compiler stand-in and the conversion-script stand-in under real Lua.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#ifdef _WIN32
#include <windows.h>
#endif

#include "container_builder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::string>;

// An 8x8 grey container: four levels, 8x8 down to 1x1.
Bytes greyContainer() { return makeContainer(8, 8, kFormatRgb, hexBytes("10 84 10 84 00 00 00 00")); }

std::string text(const fs::path& path) {
  const Bytes bytes = readFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The names and paths that differ between the platforms.
std::string executable(const std::string& name) { return runsOnWindows() ? name + ".exe" : name; }

std::string nativePath(std::string path) {
  if (runsOnWindows()) std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Runs Quorvel with `lua` reachable on PATH (the real interpreter, whatever
// its Debian name, or on Windows the lua stand-in) and the conversion script
// in the working directory.
class QuorvelBinaryTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(tools / "bin");
    putLuaOnPath(LUA_INTERPRETER);
    fs::copy_file(NWNMDLCOMP_PATH, tools / "bin" / executable("nwnmdlcomp"));
    fs::copy_file(DREVIK_SCRIPT, run / "Drevik.lua");
    const char* path = getenv("PATH");
    savedPath = path ? path : "";
    const char listSeparator = runsOnWindows() ? ';' : ':';
    setEnvironmentVariable("PATH", (tools / "bin").string() + listSeparator + savedPath);
  }
  void TearDown() override { setEnvironmentVariable("PATH", savedPath); }

  void putLuaOnPath(const std::string& interpreter) {
    const fs::path lua = tools / "bin" / executable("lua");
    fs::remove(lua);
    if (runsOnWindows()) fs::copy_file(interpreter, lua);
    else fs::create_symlink(interpreter, lua);
  }

  // The summary line that ends a run (its elapsed time differs from run to
  // run) is taken off standard error into `summary`.
  ProgramResult quorvel(const std::vector<std::string>& args) {
    ProgramResult result = runProgram(QUORVEL_PATH, args, run.path());
    summary = takeSummaryLine(result.err);
    return result;
  }
  static std::string takeSummaryLine(std::string& err) {
    static const std::regex summaryLine(R"((Quorvel: [^\n]*(decoded|converted),[^\n]*;) [0-9]+\.[0-9]{2} s\r?\n$)");
    std::smatch match;
    if (!std::regex_search(err, match, summaryLine)) return "";
    const std::string line = match[1];  // without the elapsed time
    err.erase(static_cast<size_t>(match.position(0)));
    return line;
  }
  std::string echo() const { return startedProgramName(QUORVEL_PATH); }

  ScratchDir tools;
  ScratchDir run;
  std::string savedPath;
  std::string summary;
};

TEST_F(QuorvelBinaryTest, DirectoryModeDecodesWritesMaterialsAndCompilesModels) {
  fs::create_directory(run / "work");
  writeFileBytes(run / "work/rock.dds", greyContainer());
  writeFileBytes(run / "work/my wall.dds", greyContainer());
  writeFileText(run / "work/rock.mdl", "newmodel rock\nbitmap rock\n");
  writeFileText(run / "work/door.mdl", std::string("\0\0\0\0newmodel door\n", 18));
  const ProgramResult result = quorvel({"work"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(Files({"door.mdl", "my wall.dds", "my wall.tga", "rock.dds", "rock.mdl", "rock.tga", "universal.material"}),
            [&] {
              Files names;
              for (const auto& entry : fs::directory_iterator(run / "work")) names.push_back(entry.path().filename().string());
              std::sort(names.begin(), names.end());
              return names;
            }());
  EXPECT_EQ(text(run / "work/rock.mdl"), "newmodel rock\nbitmap rock\n");
  EXPECT_EQ(text(run / "work/door.mdl"), "newmodel door\n");
  EXPECT_EQ(summary, "Quorvel: 2 containers decoded, 0 already there, 0 failed; 2 models compiled, 0 failed;");
  EXPECT_EQ(readFileBytes(run / "work/rock.tga").size(), 18u + 8 * 8 * 3 + 26) << "level 0 became the texture";
  const std::string material = text(run / "work/universal.material");
  EXPECT_NE(material.find(programText("material my wall\n")), std::string::npos);
  EXPECT_NE(material.find(programText("\t\t\t\ttexture rock.tga\n")), std::string::npos);
  const std::string materialStage = programText("Generating universal material file\n");
  const std::string modelStage = programText("Converting all binary-mdl to ascii-mdl\n");
  const std::string doorCompiled = programText("door.mdl\nnwnmdlcomp stand-in: " + nativePath("work/door.mdl") + " -> " +
                                               nativePath("work/.quorvel-scratch/1/models/door.mdl") +
                                               " (binary model decompiled)\n");
  if (runsOnWindows()) {
    // The system's walk order: each container's header comes right after its
    // name, before the material stage.
    EXPECT_EQ(result.out.find(programText("2\t" + echo() + " work \nConverting all dds to tga\n")), 0u) << result.out;
    for (const char* container : {"my wall.dds\nHeader:\n", "rock.dds\nHeader:\n"})
      EXPECT_LT(result.out.find(programText(container)), result.out.find(materialStage)) << container;
    EXPECT_LT(result.out.find(modelStage), result.out.find(doorCompiled)) << result.out;
  } else {
    // The decoder's own lines come between the stage's lines.
    const std::string expectedStart = "2\t" + echo() + " work \nConverting all dds to tga\nmy wall.dds\nHeader:\n";
    EXPECT_EQ(result.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_LT(result.out.find("Decoding Level 3\nrock.dds\nHeader:"), result.out.find(materialStage));
    EXPECT_NE(result.out.find(modelStage + doorCompiled + "rock.mdl\n"), std::string::npos) << result.out;
  }
  EXPECT_EQ(result.err, "");
}

TEST_F(QuorvelBinaryTest, WorkDirectoryWithADotAndAnEarlierNeighbourTexture) {
  fs::create_directory(run / "tex.v2");
  writeFileBytes(run / "tex.v2/rock.dds", greyContainer());
  writeFileText(run / "tex.v2/rock1.tga", "texture of rock1, not a level");
  quorvel({(run / "tex.v2").string()});
  EXPECT_TRUE(fs::exists(run / "tex.v2/rock.tga"));
  EXPECT_EQ(text(run / "tex.v2/rock1.tga"), "texture of rock1, not a level");
  EXPECT_FALSE(fs::exists(run / "tex.v2/rock2.tga"));
  EXPECT_FALSE(fs::exists(run / "tex.v2/rock1.tga.quorvel-kept"));
}

TEST_F(QuorvelBinaryTest, ListingModeKeepsModelsWhoseTexturesExist) {
  fs::create_directory(run / "work");
  writeFileText(run / "work/rock.tga", "");
  writeFileText(run / "work/rock.mdl", "newmodel rock\n  bitmap rock\n");
  writeFileText(run / "work/door.mdl", "newmodel door\n  bitmap rock\n  bitmap door\n");
  writeFileText(run / "listing.txt", "work/door.mdl:1:newmodel door\nwork/rock.mdl:1:newmodel rock\n");
  const ProgramResult result = quorvel({"listing.txt", "0.5", "1", "0", "1", "work"});
  EXPECT_EQ(result.out, programText("7\t" + echo() +
                                    " listing.txt 0.5 1 0 1 work \nprocessing grep output\n>>> 0 <<<\nconverting "
                                    "work/door.mdl\nDrevik.lua stand-in: work/door.mdl -> 2 submeshes\n>>> 1 "
                                    "<<<\nconverting work/rock.mdl\nDrevik.lua stand-in: work/rock.mdl -> 1 "
                                    "submeshes\n>>> 2 <<<\n2 models processed. done.\n"));
  EXPECT_EQ(result.err, programText("Quorvel: removed the outputs of work/door.mdl: " + nativePath("work/door.tga") +
                                    " does not exist\n"));
  EXPECT_EQ(result.exitStatus, 0) << "a model removed by the texture check counts as done";
  EXPECT_EQ(summary, "Quorvel: 1 models converted, 1 removed, 0 failed;");
  for (const char* suffix : {".mesh.xml", ".mesh", ".material", ".skeleton.xml", ".skeleton"})
    EXPECT_FALSE(fs::exists(run / ("work/door.mdl" + std::string(suffix)))) << suffix;
  for (const char* suffix : {".mesh.xml", ".mesh", ".skeleton.xml", ".skeleton"})
    EXPECT_TRUE(fs::exists(run / ("work/rock.mdl" + std::string(suffix)))) << suffix;
  EXPECT_FALSE(fs::exists(run / "work/rock.mdl.material")) << "the model's own material file is always removed";
  EXPECT_NE(text(run / "work/rock.mdl.skeleton.xml").find("bonerotation=\"false\""), std::string::npos);
}

TEST_F(QuorvelBinaryTest, ModelPathWithBlanksReachesTheScriptWhole) {
  fs::create_directory(run / "my work");
  writeFileText(run / "my work/rock.tga", "");
  writeFileText(run / "my work/old rock.mdl", "bitmap rock\n");
  writeFileText(run / "listing.txt", "my work/old rock.mdl:1:bitmap rock\n");
  quorvel({"listing.txt", "1", "0", "0", "0", "my work"});
  EXPECT_TRUE(fs::exists(run / "my work/old rock.mdl.mesh.xml"));
  EXPECT_FALSE(fs::exists(run / "my work/old rock.mdl.skeleton")) << "-noskel was passed";
}

TEST_F(QuorvelBinaryTest, MissingChildrenLeaveStandardOutputAsItWasAndAreNamedOncePerRun) {
  // A lone copy of Quorvel, with nothing beside it and nothing on PATH.
  ScratchDir lonely;
  const fs::path copy = lonely / executable("Quorvel");
  fs::copy_file(QUORVEL_PATH, copy);
  fs::permissions(copy, fs::perms::owner_all);
  setEnvironmentVariable("PATH", (lonely / "nothing-here").string());
  fs::create_directory(run / "w");
  for (const char* name : {"rock.dds", "wall.dds"}) writeFileBytes(run / "w" / name, greyContainer());
  for (const char* name : {"rock.mdl", "wall.mdl"}) writeFileText(run / "w" / name, "newmodel rock\n");
  const std::string quorvelCopy = copy.string();
  ProgramResult result = runProgram(quorvelCopy, {"w"}, run.path());
  EXPECT_EQ(takeSummaryLine(result.err),
            "Quorvel: 0 containers decoded, 0 already there, 2 failed; 0 models compiled, 2 failed;");
  EXPECT_EQ(result.out, programText("2\t" + startedProgramName(quorvelCopy) +
                                    " w \nConverting all dds to tga\nrock.dds\nwall.dds\nGenerating universal material file\n"
                                    "Converting all binary-mdl to ascii-mdl\nrock.mdl\nwall.mdl\n"));
  const std::string lookedIn = " (looked in the current directory, on PATH and beside Quorvel in " +
                               nativePath(lonely.path().string()) + "); every step that needs it fails\n";
  EXPECT_EQ(result.err, programText("Quorvel: cannot find the program " + executable("Tessark") + lookedIn +
                                    "Quorvel: no texture for " + nativePath("w/rock.dds") + ": the decoder failed\n"
                                    "Quorvel: no texture for " + nativePath("w/wall.dds") + ": the decoder failed\n"
                                    "Quorvel: cannot find the program " + executable("nwnmdlcomp") + lookedIn));
  EXPECT_EQ(result.exitStatus, 1);
}

// Every failure reaches the exit status with a line that names it; nothing
// is done when the arguments are wrong, but a complete level 0 is a texture.
TEST_F(QuorvelBinaryTest, ExitStatusTellsEveryFailure) {
  const std::string usage = "usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n";
  const Bytes full = greyContainer();
  const size_t levelZeroEnd = kTextureHeaderSize + 32, levelTwoMiddle = levelZeroEnd + 8 + 4;
  struct Case {
    const char* label;
    std::vector<std::string> args;
    int status;
    std::string out;                // after the echo line; "*" for anything
    std::vector<std::string> err;   // lines expected on standard error, in any order
    std::function<void(const fs::path&)> prepare, check;
  };
  // Tessark takes the place of a child that then fails on its arguments
  // (removed first: lua is a link to the real interpreter).
  const auto failing = [&](const char* name) {
    return [this, name](const fs::path&) {
      fs::remove(tools / "bin" / executable(name));
      fs::copy_file(TESSARK_PATH, tools / "bin" / executable(name));
    };
  };
  const auto shortChains = [&](const fs::path& work) {
    writeFileBytes(work / "full.dds", full);
    writeFileBytes(work / "only0.dds", Bytes(full.begin(), full.begin() + levelZeroEnd));
    writeFileBytes(work / "cut2.dds", Bytes(full.begin(), full.begin() + levelTwoMiddle));
  };
  const auto outputsStay = [](const fs::path& work) { EXPECT_TRUE(fs::exists(work / "a.mdl.mesh")); };
  const Case cases[] = {
      {"-?", {"-?"}, 0, usage, {}, nullptr, nullptr},
      {"-h", {"-h"}, 0, usage, {}, nullptr, nullptr},
      {"listing mode short of arguments", {"a", "b"}, 2, usage, {}, nullptr, nullptr},
      {"missing work directory", {"wokr"}, 1, "",
       {"Quorvel: the work directory wokr cannot be used: it does not exist; nothing done"}, nullptr, nullptr},
      {"file as work directory", {nativePath("w/a.mdl")}, 1, "",
       {"Quorvel: the work directory " + nativePath("w/a.mdl") + " cannot be used: it is not a directory; nothing done"},
       nullptr, nullptr},
      {"mistyped listing-mode directory deletes nothing", {"listing.txt", "1", "1", "1", "1", "wokr"}, 1, "",
       {"Quorvel: the work directory wokr cannot be used: it does not exist; nothing done"}, nullptr, outputsStay},
      {"missing listing", {"none.txt", "1", "1", "1", "1", "w"}, 1, "*", {}, nullptr, nullptr},
      {"switch value", {"listing.txt", "1", "yes", "1", "1", "w"}, 1, "*",
       {"Quorvel: the skeleton switch is \"yes\", which starts neither with 0 nor with 1: no model is converted",
        "Quorvel: removed the outputs of " + nativePath("w/a.mdl") + ": its mesh " + nativePath("w/a.mdl.mesh.xml") + " cannot be read"}, nullptr, nullptr},
      {"conversion fails", {"listing.txt", "1", "1", "1", "1", "w"}, 1, "*", {"*ended with exit status 2", "*cannot be read"},
       failing("lua"), nullptr},
      {"compiler fails", {"w"}, 1, "*", {"*ended with exit status 2"}, failing("nwnmdlcomp"), nullptr},
      {"short chains still give textures", {"w"}, 1, "*",
       {"Quorvel: " + executable("Tessark") + " on " + nativePath("w/cut2.dds") + " ended with exit status 1",
        "Quorvel: " + executable("Tessark") + " on " + nativePath("w/only0.dds") + " ended with exit status 1"},
       shortChains, [&](const fs::path& work) {
         for (const char* name : {"only0.tga", "cut2.tga"}) EXPECT_EQ(readFileBytes(work / name), readFileBytes(work / "full.tga")) << name;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path work = run / "w";
    fs::remove_all(work);
    fs::create_directory(work);
    writeFileText(work / "a.mdl", "newmodel a\n");
    writeFileText(work / "a.mdl.mesh", "user's mesh");
    writeFileText(run / "listing.txt", nativePath("w/a.mdl") + ":1:newmodel a\n");
    putLuaOnPath(LUA_INTERPRETER);
    fs::remove(tools / "bin" / executable("nwnmdlcomp"));
    fs::copy_file(NWNMDLCOMP_PATH, tools / "bin" / executable("nwnmdlcomp"));
    if (c.prepare) c.prepare(work);
    const ProgramResult result = quorvel(c.args);
    EXPECT_EQ(result.exitStatus, c.status);
    std::string echo = std::to_string(c.args.size() + 1) + "\t" + this->echo() + " ";
    for (const std::string& arg : c.args) echo += arg + " ";
    if (c.out != "*") {
      EXPECT_EQ(result.out, programText(echo + "\n" + c.out));
    }
    // "*" before a line: anything may come before it on that line.
    for (const std::string& line : c.err) {
      const std::string wanted = programText((line[0] == '*' ? line.substr(1) : "\n" + line) + "\n");
      EXPECT_NE((programText("\n") + result.err).find(wanted), std::string::npos) << wanted << result.err;
    }
    EXPECT_EQ(static_cast<size_t>(std::count(result.err.begin(), result.err.end(), '\n')), c.err.size()) << result.err;
    if (c.check) c.check(work);
  }
}

// --help and --version print their text alone, without the argument echo
// line every other run starts with.
TEST_F(QuorvelBinaryTest, HelpAndVersionPrintTheirTextAlone) {
  const ProgramResult version = quorvel({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, programText(std::string("Quorvel ") + QUORVEL_VERSION + "\n"));
  const ProgramResult help = quorvel({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.out.rfind(programText("usage: Quorvel WORKDIR | "), 0), 0u) << help.out;
  for (const char* part : {"LISTING", "--version", "QUORVEL_JOBS", "TESSARK_THREADS", "Exit status: 0"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  EXPECT_EQ(help.err + version.err, "");
}

// Any number of decoders and compilers at once gives the output of one at a
// time, byte for byte: standard output and error, every file and the exit
// status, with containers that share a texture name, a dangling texture
// link, failing decoders and a short chain among them.
TEST_F(QuorvelBinaryTest, DecodersSideBySideLeaveWhatOneAtATimeLeaves) {
  const Bytes full = greyContainer();
  const auto lay = [&](const fs::path& work) {
    fs::create_directory(work);
    for (int i = 0; i < 9; ++i) writeFileBytes(work / ("c" + std::to_string(i) + ".dds"), full);
    writeFileBytes(work / "rock.dds", Bytes(full.begin(), full.begin() + kTextureHeaderSize + 32));
    writeFileBytes(work / "broken.dds", Bytes(full.begin(), full.begin() + 10));
    if (!runsOnWindows()) {
      writeFileBytes(work / "rock.DDS", full);  // the same texture name: the first in walk order wins
      fs::create_symlink("nowhere", work / "c3.tga");
    }
    for (int i = 0; i < 6; ++i) writeFileText(work / ("m" + std::to_string(i) + ".mdl"), "newmodel m\n");
    fs::create_directory(work / "folder.mdl");  // passed over, with a line
  };
  struct Run {
    ProgramResult result;
    std::map<std::string, Bytes> files;
  };
  const char* given = getenv("QUORVEL_JOBS");  // CI runs the suite at several counts
  const std::string saved = given ? given : "";
  const auto runWith = [&](const char* jobs) {
    fs::remove_all(run / "w");
    lay(run / "w");
    setEnvironmentVariable("QUORVEL_JOBS", jobs);
    Run r{quorvel({"w"}), {}};
    setEnvironmentVariable("QUORVEL_JOBS", saved);
    for (const auto& entry : fs::directory_iterator(run / "w"))
      r.files[entry.path().filename().string()] = fs::is_regular_file(entry.path()) ? readFileBytes(entry.path()) : Bytes{};
    return r;
  };
  const Run one = runWith("1");
  EXPECT_EQ(one.result.exitStatus, 1);
  EXPECT_TRUE(one.files.count("rock.tga"));
  for (const char* jobs : {"2", "4", "13"}) {
    SCOPED_TRACE(jobs);
    const Run many = runWith(jobs);
    EXPECT_EQ(many.result.exitStatus, one.result.exitStatus);
    EXPECT_EQ(many.result.out, one.result.out);
    EXPECT_EQ(many.result.err, one.result.err);
    EXPECT_EQ(many.files, one.files);
  }
  // Listing mode: conversions side by side, a model listed twice, records
  // that name no model file, a model whose texture is missing.
  writeFileText(run / "listing.txt", "w/m0.mdl:1:x\nw/m1.mdl:1:x\nw/m0.mdl:2:x\nw/folder.mdl:1:x\nw/gone.mdl:1:x\n"
                                     "w/m2.mdl:1:x\nw/m3.mdl:1:x\nw/m4.mdl:1:x\nw/m5.mdl:1:x");
  const auto convertWith = [&](const char* jobs) {
    fs::remove_all(run / "w");
    lay(run / "w");
    writeFileText(run / "w/m1.mdl", "bitmap c1\n");
    writeFileText(run / "w/c1.tga", "");
    setEnvironmentVariable("QUORVEL_JOBS", jobs);
    Run r{quorvel({"listing.txt", "1", "0", "1", "1", "w"}), {}};
    setEnvironmentVariable("QUORVEL_JOBS", saved);
    for (const auto& entry : fs::directory_iterator(run / "w"))
      r.files[entry.path().filename().string()] = fs::is_regular_file(entry.path()) ? readFileBytes(entry.path()) : Bytes{};
    return r;
  };
  const Run listedOne = convertWith("1");
  EXPECT_TRUE(listedOne.files.count("m1.mdl.mesh"));
  for (const char* jobs : {"3", "8"}) {
    SCOPED_TRACE(std::string("listing, ") + jobs);
    const Run many = convertWith(jobs);
    EXPECT_EQ(many.result.exitStatus, listedOne.result.exitStatus);
    EXPECT_EQ(many.result.out, listedOne.result.out);
    EXPECT_EQ(many.result.err, listedOne.result.err);
    EXPECT_EQ(many.files, listedOne.files);
  }
  for (const char* jobs : {"0", "-1", "two", "1.5", " 2"}) {
    setEnvironmentVariable("QUORVEL_JOBS", jobs);
    const ProgramResult refused = quorvel({"w"});
    setEnvironmentVariable("QUORVEL_JOBS", saved);
    EXPECT_EQ(refused.exitStatus, 2) << jobs;
    EXPECT_EQ(refused.err, programText(std::string("Quorvel: QUORVEL_JOBS is \"") + jobs +
                                       "\", not a whole number of at least 1; nothing done\n"));
  }
}

// Stand-ins record how they were started (STANDIN_COMMAND_LOG); here the lua
// stand-in takes the interpreter's place on both platforms.
class ChildCommandLineTest : public QuorvelBinaryTest {
 protected:
  void SetUp() override {
    QuorvelBinaryTest::SetUp();
    putLuaOnPath(LUA_STANDIN_PATH);
    setEnvironmentVariable("STANDIN_COMMAND_LOG", (tools / "children.log").string());
    // The log holds the children in the order they started: one at a time.
    const char* jobs = getenv("QUORVEL_JOBS");
    savedJobs = jobs ? jobs : "";
    setEnvironmentVariable("QUORVEL_JOBS", "1");
  }
  void TearDown() override {
    setEnvironmentVariable("QUORVEL_JOBS", savedJobs);
    setEnvironmentVariable("STANDIN_COMMAND_LOG", "");
    QuorvelBinaryTest::TearDown();
  }
  std::string childrenLog() const { return text(tools / "children.log"); }
  std::string savedJobs;

  // What a stand-in records for a child started with `args`: on Windows the
  // line itself (arguments joined by blanks); elsewhere the pieces, without
  // the quotes, as the driver passes them.
  static std::string expectedRecord(const std::vector<std::string>& args) {
    std::string record;
    for (const std::string& arg : args) {
      if (runsOnWindows()) record += (record.empty() ? "" : " ") + arg;
      else record += "[" + (arg.size() >= 2 && arg.front() == '"' ? arg.substr(1, arg.size() - 2) : arg) + "]";
    }
    return record + "\n";
  }
  static std::string quotedPath(const fs::path& directory, const std::string& name) {
    return "\"" + directory.string() + (runsOnWindows() ? "\\" : "/") + name + "\"";
  }
};

TEST_F(ChildCommandLineTest, DirectoryModeStartsTheRealDecoderAndTheCompilerWithQuotedPathsWithBlanks) {
  const fs::path work = run / "my work";
  fs::create_directory(work);
  writeFileBytes(work / "my wall.dds", greyContainer());
  writeFileText(work / "old door.mdl", std::string("\0\0\0\0newmodel door\n", 18));
  const ProgramResult result = quorvel({work.string()});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(childrenLog(), expectedRecord({executable("nwnmdlcomp"), "-d", quotedPath(work, "old door.mdl"),
                                           quotedPath(work / ".quorvel-scratch" / "1" / "models", "old door.mdl")}));
  EXPECT_EQ(text(work / "old door.mdl"), "newmodel door\n");
  EXPECT_EQ(readFileBytes(work / "my wall.tga").size(), 18u + 8 * 8 * 3 + 26) << "the decoder found the container";
  EXPECT_FALSE(fs::exists(work / "my wall0.tga"));
  EXPECT_NE(result.out.find(programText("my wall.dds\nHeader:\nWidth/Height: 8/8\n")), std::string::npos) << result.out;
  EXPECT_NE(text(work / "universal.material").find(programText("material my wall\n")), std::string::npos);
}

// A program in the current directory is found before the one beside Quorvel:
// here a stand-in that prints what it received takes the decoder's place. It
// works in the scratch folder, on the container's alias there.
TEST_F(ChildCommandLineTest, DecoderIsStartedWithTheQuotedContainerPath) {
  const fs::path work = run / "my work";
  fs::create_directory(work);
  writeFileBytes(work / "my wall.dds", greyContainer());
  fs::copy_file(PRINT_ARGUMENTS_PATH, run / executable("Tessark"));
  const ProgramResult result = quorvel({work.string()});
  const std::string container = "\"texture.dds\"";
  const std::string line = executable("Tessark") + " -d " + container;
  const std::string received = "[" + executable("Tessark") + "]\n[-d]\n[" + container.substr(1, container.size() - 2) +
                               "]\n" + (runsOnWindows() ? "line: " + line + "\n" : "");
  EXPECT_NE(result.out.find(programText("my wall.dds\n" + received + "Generating")), std::string::npos) << result.out;
}

TEST_F(ChildCommandLineTest, ListingModeStartsLuaWithTheChosenFlagsAndTheQuotedModel) {
  fs::create_directory(run / "my work");
  writeFileText(run / "my work/rock.tga", "");
  writeFileText(run / "my work/old rock.mdl", "bitmap rock\n");
  writeFileText(run / "my work/door.mdl", "bitmap door\n");
  const std::string oldRock = nativePath("my work/old rock.mdl");
  const std::string door = nativePath("my work/door.mdl");
  // Line ends as a search tool on Windows writes them.
  writeFileText(run / "listing.txt", oldRock + ":1:bitmap rock\r\n" + door + ":1:bitmap door\r\n");
  const ProgramResult result = quorvel({"listing.txt", "0.5", "1", "0", "1x", "my work"});
  EXPECT_EQ(result.err, programText("Quorvel: removed the outputs of " + door + ": " + nativePath("my work/door.tga") +
                                    " does not exist\n"));
  EXPECT_EQ(childrenLog(),
            expectedRecord({executable("lua"), "Drevik.lua", "-s", "0.5", "-nobonerot", "\"" + oldRock + "\""}) +
                expectedRecord({executable("lua"), "Drevik.lua", "-s", "0.5", "-nobonerot", "\"" + door + "\""}));
  EXPECT_NE(result.out.find(programText("converting " + oldRock + "\nDrevik.lua stand-in: " + oldRock + " -> 1 submeshes\n")),
            std::string::npos)
      << result.out;
  EXPECT_TRUE(fs::exists(run / "my work/old rock.mdl.skeleton.xml"));
  EXPECT_FALSE(fs::exists(run / "my work/old rock.mdl.material"));
  EXPECT_FALSE(fs::exists(run / "my work/door.mdl.mesh.xml")) << "door.tga is missing";
  EXPECT_NE(result.out.find(programText("2 models processed. done.\n")), std::string::npos);
}

// Hostile names, links, special files and permissions in a work directory:
// the run ends (the runner's time limit turns a hang into a failure), touches
// nothing outside the work directory, loses no user file and says on
// standard error what it passed over.
TEST_F(ChildCommandLineTest, HostileWorkDirectories) {
  if (runsOnWindows()) GTEST_SKIP() << "double quotes, FIFOs and links are POSIX names";
  struct Case {
    const char* label;
    const char* workName;
    std::function<void(const fs::path& work)> setup;
    std::function<void(const fs::path& work, const ProgramResult& result, const std::string& log)> check;
  };
  const auto file = [](const fs::path& p, const std::string& content) { writeFileText(p, content); };
  const Case cases[] = {
      {"a quote in a model name", "w",
       [&](const fs::path& w) { file(w / "p q\"r.mdl", "newmodel p\n"); },
       [&](const fs::path& w, const ProgramResult&, const std::string& log) {
         EXPECT_NE(log.find("[" + (w / "p q\"r.mdl").string() + "]"), std::string::npos) << log;
         EXPECT_FALSE(fs::exists(run / "qr.mdl"));
       }},
      {"a quote in a container name beside a user file", "w",
       [&](const fs::path& w) { writeFileBytes(w / "q\"uote.dds", greyContainer()); file(w / "quote1.tga", "user"); },
       [&](const fs::path& w, const ProgramResult&, const std::string&) {
         EXPECT_EQ(readFileBytes(w / "q\"uote.tga").size(), 18u + 8 * 8 * 3 + 26);
         EXPECT_EQ(text(w / "quote1.tga"), "user");
       }},
      {"a quote in the work directory's name", "w\"q",
       [&](const fs::path& w) { writeFileBytes(w / "rock.dds", greyContainer()); },
       [&](const fs::path& w, const ProgramResult&, const std::string&) {
         EXPECT_TRUE(fs::exists(w / "rock.tga"));
         EXPECT_FALSE(fs::exists(run / "wq"));
       }},
      {"links to outside files", "w",
       [&](const fs::path& w) {
         file(run / "outside.txt", "outside");
         fs::create_symlink(run / "outside.txt", w / "universal.material");
         fs::create_symlink(run / "created-outside.tga", w / "rock.tga");
         writeFileBytes(w / "rock.dds", greyContainer());
         fs::create_symlink(run / "outside.txt", w / "linked.mdl");
       },
       [&](const fs::path& w, const ProgramResult& result, const std::string& log) {
         EXPECT_EQ(text(run / "outside.txt"), "outside");
         EXPECT_FALSE(fs::exists(run / "created-outside.tga"));
         EXPECT_FALSE(fs::is_symlink(w / "universal.material"));
         EXPECT_FALSE(fs::is_symlink(w / "rock.tga"));
         EXPECT_EQ(log.find("linked.mdl"), std::string::npos) << "a linked model is not compiled";
         EXPECT_NE(result.err.find("not compiling " + (w / "linked.mdl").string() + ": it is a symbolic link"),
                   std::string::npos);
       }},
      {"FIFOs and devices under every name", "w",
       [&](const fs::path& w) {
         for (const char* name : {"pipe.dds", "t.tga", "m.mdl", "universal.material", "rock0.tga"})
           ASSERT_TRUE(makeFifo(w / name));
         writeFileBytes(w / "t.dds", greyContainer());
         writeFileBytes(w / "rock.dds", greyContainer());
         fs::create_symlink("/dev/zero", w / "zero.dds");
       },
       [&](const fs::path& w, const ProgramResult& result, const std::string&) {
         EXPECT_EQ(result.exitStatus, 0);
         EXPECT_TRUE(fs::is_fifo(w / "t.tga")) << "a texture entry, whatever it is, is kept";
         EXPECT_TRUE(fs::is_fifo(w / "rock0.tga"));
         EXPECT_TRUE(fs::is_regular_file(w / "rock.tga"));
         EXPECT_TRUE(fs::is_regular_file(w / "universal.material"));
         for (const char* name : {"pipe.dds", "zero.dds", "t.tga", "m.mdl"})
           EXPECT_NE(result.err.find("passing over " + (w / name).string()), std::string::npos) << name;
       }},
      {"unreadable and write-only textures", "w",
       [&](const fs::path& w) {
         for (const char* name : {"rock.dds", "rock2.dds"}) writeFileBytes(w / name, greyContainer());
         file(w / "rock.tga", "unreadable");
         file(w / "rock2.tga", "write-only");
         fs::permissions(w / "rock.tga", fs::perms::none);
         fs::permissions(w / "rock2.tga", fs::perms::owner_write);
       },
       [&](const fs::path& w, const ProgramResult&, const std::string&) {
         fs::permissions(w / "rock.tga", fs::perms::owner_all);
         fs::permissions(w / "rock2.tga", fs::perms::owner_all);
         EXPECT_EQ(text(w / "rock.tga"), "unreadable");
         EXPECT_EQ(text(w / "rock2.tga"), "write-only");
       }},
      {"control characters and case", "w",
       [&](const fs::path& w) {
         file(w / "bad\nmaterial x\n{.tga", "");
         file(w / "rock.TGA", "user");
         writeFileBytes(w / "rock.dds", greyContainer());
       },
       [&](const fs::path& w, const ProgramResult& result, const std::string&) {
         const std::string script = text(w / "universal.material");
         EXPECT_EQ(script.find("material x"), std::string::npos);
         EXPECT_EQ(script.find("material rock\n"), script.rfind("material rock\n")) << "declared once";
         EXPECT_FALSE(fs::exists(w / "rock.tga")) << "rock.TGA is rock's texture";
         EXPECT_NE(result.err.find("not declaring " + (w / "bad\\nmaterial x\\n{.tga").string()), std::string::npos)
             << result.err;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path work = run / c.workName;
    fs::remove_all(work);
    fs::create_directory(work);
    fs::remove(tools / "children.log");
    c.setup(work);
    const ProgramResult result = quorvel({work.string()});
    EXPECT_NE(result.exitStatus, kTimedOutStatus) << "the run must not block";
    EXPECT_FALSE(fs::exists(work / ".quorvel-scratch"));
    c.check(work, result, fs::exists(tools / "children.log") ? childrenLog() : "");
  }
}

TEST_F(ChildCommandLineTest, ListingModeHandsTheModelNameExactly) {
  if (runsOnWindows()) GTEST_SKIP() << "a Windows name cannot hold a double quote";
  fs::create_directory(run / "work");
  writeFileText(run / "x\" \"victim.mdl", "bitmap rock\n");
  writeFileText(run / "victim.mdl", "bitmap rock\n");
  writeFileText(run / "listing.txt", "x\" \"victim.mdl:1:bitmap rock\n");
  quorvel({"listing.txt", "1", "1", "1", "1", "work"});
  EXPECT_NE(childrenLog().find("[x\" \"victim.mdl]"), std::string::npos) << childrenLog();
  EXPECT_FALSE(fs::exists(run / "victim.mdl.mesh.xml"));
}


#ifdef _WIN32
// Windows names, attributes and locks in a user's folder. Each row checks the
// status, the standard-error lines ("W" the folder, "S" the short name), the
// folder's exact contents (no scratch or temporary file left) and that the
// drive's root got nothing. "\\?\" makes what the plain calls refuse (CON.dds,
// long folders); std::filesystem here cannot list or remove past MAX_PATH.
fs::path literalPath(fs::path path) { return fs::path(L"\\\\?\\" + path.make_preferred().wstring()); }

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

Files folderContents(const fs::path& folder) {
  Files names;
  WIN32_FIND_DATAW match;
  const HANDLE search = FindFirstFileW((literalPath(folder) / "*").wstring().c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) return {"(cannot list)"};
  do names.push_back(fs::path(match.cFileName).string());
  while (FindNextFileW(search, &match));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return Files(names.begin() + 2, names.end());  // without "." and ".."
}

void removeFolder(const fs::path& folder) {
  for (const std::string& name : folderContents(folder)) {
    SetFileAttributesW(literalPath(folder / name).wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(literalPath(folder / name).wstring().c_str())) removeFolder(folder / name);
  }
  RemoveDirectoryW(literalPath(folder).wstring().c_str());
}

TEST_F(QuorvelBinaryTest, WindowsNamesAttributesAndLocksInAUsersFolder) {
  struct Case {
    const char* label;
    std::function<std::string(const fs::path& w)> setup;  // the work-directory argument, "" to skip
    int status;
    Files errors, contents;
  };
  const auto containers = [](const fs::path& w, Files stems) {
    for (const std::string& stem : stems) writeFileBytes(literalPath(w / (stem + ".dds")), greyContainer());
    return w.string();
  };
  HANDLE lock = INVALID_HANDLE_VALUE;
  std::string alias;
  const Files decodedAB{"a.dds", "a.tga", "b.dds", "b.tga", "universal.material"};
  const auto with = [](Files names, Files more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
  };
  const Case cases[] = {
      {"read-only", [&](const fs::path& w) {
         containers(w, {"a", "ro", "b"});
         return SetFileAttributesW((w / "ro.dds").wstring().c_str(), FILE_ATTRIBUTE_READONLY) ? w.string() : "";
       }, 0, {}, with(decodedAB, {"ro.dds", "ro.tga"})},
      {"held open without sharing", [&](const fs::path& w) {
         containers(w, {"a", "locked", "b"});
         lock = CreateFileW((w / "locked.dds").wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         return lock == INVALID_HANDLE_VALUE ? "" : w.string();
       }, 1, {"W\\locked.dds: it cannot be read"}, with(decodedAB, {"locked.dds"})},
      {"device names", [&](const fs::path& w) { return containers(w, {"CON", "com1", "lpt1", "a", "b"}); }, 1,
       {"W\\CON.dds: CON.tga is a device name on Windows", "W\\com1.dds: com1.tga is a device name on Windows",
        "W\\lpt1.dds: lpt1.tga is a device name on Windows"},
       with(decodedAB, {"CON.dds", "com1.dds", "lpt1.dds"})},
      {"another file's 8.3 short name", [&](const fs::path& w) {
         writeFileText(w / "rockbottomlong.tga", "user");
         wchar_t name[MAX_PATH];
         if (!GetShortPathNameW((w / "rockbottomlong.tga").wstring().c_str(), name, MAX_PATH)) return std::string();
         alias = fs::path(name).stem().string();
         return alias == "rockbottomlong" ? "" : containers(w, {alias});
       }, 1, {"W\\S.dds: S.tga is another name of rockbottomlong.tga"}, {"S.dds", "rockbottomlong.tga", "universal.material"}},
      {"a bare drive, run from a folder on it", [&](const fs::path& w) {
         containers(w, {"a", "b"});
         return w.root_name() == "C:" ? "C:" : "";
       }, 0, {}, decodedAB},
      {"past MAX_PATH", [&](const fs::path& w) {
         const fs::path deep = w / std::string(120, 'x') / std::string(120, 'y') / std::string(60, 'z');
         fs::create_directories(literalPath(deep));
         return containers(deep, {"a", "b"});
       }, 0, {}, decodedAB},
  };
  const fs::path rootScript = "C:\\universal.material";
  const bool rootScriptBefore = fs::exists(rootScript);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path work = run / "work";
    fs::create_directory(work);
    const std::string argument = c.setup(work);
    const fs::path folder = argument == "C:" ? work : fs::path(argument);
    const auto named = [&](const std::string& text) {
      return replaceAll(replaceAll(text, "W\\", folder.string() + "\\"), "S.", alias + ".");
    };
    Files expectedErrors, expectedContents, errors;
    for (const std::string& line : c.errors) expectedErrors.push_back("Quorvel: no texture for " + named(line) + "\r");
    for (const std::string& name : c.contents) expectedContents.push_back(named(name));
    std::sort(expectedErrors.begin(), expectedErrors.end());
    std::sort(expectedContents.begin(), expectedContents.end());
    if (argument.empty()) printf("row skipped here: %s\n", c.label);
    else {
      ProgramResult result = runProgram(QUORVEL_PATH, {argument}, work);
      EXPECT_NE(takeSummaryLine(result.err), "") << result.err;
      EXPECT_EQ(result.exitStatus, c.status) << result.err;
      std::istringstream err(result.err);
      for (std::string line; std::getline(err, line);) errors.push_back(line);
      std::sort(errors.begin(), errors.end());
      EXPECT_EQ(errors, expectedErrors) << result.out;
      EXPECT_EQ(folderContents(folder), expectedContents);
    }
    EXPECT_EQ(fs::exists(rootScript), rootScriptBefore) << "the drive's root is never written";
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    lock = INVALID_HANDLE_VALUE;
    removeFolder(work);
  }
}

Files wideFolderContents(const fs::path& folder) {
  Files names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

// Names as Windows users have them: a work directory and entries named
// outside the ANSI code page, each beside its look-alike (which the code
// page's best fit would make of it), at one and two jobs; device-named
// models; work directories spelled ".", "DIR\." and with a trailing dot.
TEST_F(QuorvelBinaryTest, WindowsNamesOutsideTheCodePageDevicesAndSpellings) {
  const auto binary = [](const std::string& text) { return std::string(4, '\0') + text; };
  const Bytes plain = greyContainer();
  const Bytes bright = makeContainer(8, 8, kFormatRgb, hexBytes("ff ff ff ff 00 00 00 00"));
  // "ŝub", and what the code page's best fit makes of it.
  const fs::path wide = run.path() / L"\u015Dub", lookAlike = run.path() / L"sub";
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(std::string("QUORVEL_JOBS=") + jobs);
    setEnvironmentVariable("QUORVEL_JOBS", jobs);
    for (const fs::path& folder : {wide, lookAlike}) {
      fs::remove_all(folder);
      fs::create_directory(folder);
    }
    writeFileBytes(lookAlike / "wall.dds", plain);
    writeFileText(lookAlike / "stone big.mdl", binary("newmodel look-alike\n"));
    writeFileBytes(wide / L"w\u0101ll.dds", bright);  // "wāll.dds"
    writeFileBytes(wide / "wall.dds", plain);
    writeFileText(wide / L"\u015Dtone big.mdl", binary("newmodel wide\n"));  // "ŝtone big.mdl"
    writeFileText(wide / "stone big.mdl", binary("newmodel plain\n"));
    const ProgramResult result = quorvel({wide.u8string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(wideFolderContents(lookAlike), (Files{"stone big.mdl", "wall.dds"})) << "the look-alike is untouched";
    EXPECT_EQ(text(lookAlike / "stone big.mdl"), binary("newmodel look-alike\n"));
    EXPECT_EQ(text(wide / L"\u015Dtone big.mdl"), "newmodel wide\n");
    EXPECT_EQ(text(wide / "stone big.mdl"), "newmodel plain\n");
    ASSERT_TRUE(fs::exists(wide / L"w\u0101ll.tga"));
    ASSERT_TRUE(fs::exists(wide / "wall.tga"));
    EXPECT_NE(readFileBytes(wide / L"w\u0101ll.tga"), readFileBytes(wide / "wall.tga")) << "each from its own container";
  }
  setEnvironmentVariable("QUORVEL_JOBS", "");

  // Device names: never read, written or handed to a child; nothing waits.
  const fs::path devices = run.path() / "devices";
  fs::create_directory(devices);
  for (const char* name : {"NUL.mdl", "aux.mdl", "com1.mdl"}) writeFileText(literalPath(devices / name), binary("m\n"));
  writeFileText(devices / "m.mdl", binary("newmodel m\n"));
  const ProgramResult refused = quorvel({"devices"});
  EXPECT_EQ(refused.exitStatus, 1) << refused.err;
  for (const char* name : {"NUL.mdl", "aux.mdl", "com1.mdl"})
    EXPECT_NE(refused.err.find("Quorvel: not compiling devices\\" + std::string(name) + ": " + name +
                               " is a device name on Windows"),
              std::string::npos)
        << refused.err;
  EXPECT_EQ(text(devices / "m.mdl"), "newmodel m\n");
  removeFolder(devices);  // std::filesystem cannot remove device-named files

  // Work directories as cmd's cd would take them.
  const fs::path work = run.path() / "work";
  fs::create_directory(work);
  const std::vector<std::pair<std::string, fs::path>> spellings{
      {".", work}, {"work\\.", run.path()}, {"work.", run.path()}, {"work ", run.path()}, {"..\\work", work}};
  for (const auto& [argument, cwd] : spellings) {
    SCOPED_TRACE(argument);
    fs::remove(work / "rock.tga");
    writeFileBytes(work / "rock.dds", plain);
    ProgramResult result = runProgram(QUORVEL_PATH, {argument}, cwd);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::exists(work / "rock.tga"));
    EXPECT_EQ(wideFolderContents(work), (Files{"rock.dds", "rock.tga", "universal.material"}));
  }
}
#endif

}  // namespace

namespace {

// What one run touches: files named like an earlier version's temporaries
// stay the user's, a model of the longest name a folder allows compiles, and
// the texture check compares names as Windows does on every system.
TEST_F(QuorvelBinaryTest, OnlyOurOwnFilesAreTouchedAndOneFolderKeepsTheSameModelsEverywhere) {
  const std::string binaryModel = std::string("\0\0\0\0newmodel m\n", 15);
  const std::string longName = std::string(251, 'm') + ".mdl";
  struct Row {
    const char* label;
    std::map<std::string, std::string> files;  // in the work directory
    std::vector<std::string> args;             // "" stands for the work directory
    std::map<std::string, std::string> after;  // files as they must end
    const char* errHas;                        // or null for an empty standard error
    bool windowsToo;
  };
  const Row rows[] = {
      {"user files named like old temporaries",
       {{"notes.txt", "user notes"}, {".quorvel-backup-notes.txt", "older notes"}, {".quorvel-model.tmp", "user"},
        {".quorvel-universal.material.tmp", "user"}, {"m.mdl", "newmodel m\n"}, {".quorvel-backup-m.mdl", binaryModel}},
       {""},
       {{"notes.txt", "user notes"}, {".quorvel-backup-notes.txt", "older notes"}, {".quorvel-model.tmp", "user"},
        {".quorvel-universal.material.tmp", "user"}, {"m.mdl", "newmodel m\n"}, {".quorvel-backup-m.mdl", binaryModel}},
       "was left by an earlier Quorvel stopped while compiling", true},
      {"a model name of 255 bytes", {{longName, binaryModel}}, {""}, {{longName, "newmodel m\n"}}, nullptr, false},
      {"a material named in another case than its texture",
       {{"Rock.tga", ""}, {"m.mdl", "newmodel m\nbitmap rock\n"}},
       {"listing.txt", "1", "1", "1", "1", ""},
       {{"m.mdl.mesh.xml", ""}, {"m.mdl.mesh", ""}},
       nullptr, true},
  };
  for (const Row& row : rows) {
    if (runsOnWindows() && !row.windowsToo) continue;
    SCOPED_TRACE(row.label);
    fs::remove_all(run / "w");
    fs::create_directory(run / "w");
    for (const auto& [name, content] : row.files) writeFileText(run / "w" / name, content);
    writeFileText(run / "listing.txt", "w/m.mdl:1:newmodel m\n");
    std::vector<std::string> args = row.args;
    for (std::string& arg : args)
      if (arg.empty()) arg = "w";
    const ProgramResult result = quorvel(args);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    if (row.errHas) {
      EXPECT_NE(result.err.find(row.errHas), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err, "");
    }
    for (const auto& [name, content] : row.after) {
      ASSERT_TRUE(fs::exists(run / "w" / name)) << name;
      if (!content.empty()) {
        EXPECT_EQ(text(run / "w" / name), content) << name;
      }
    }
  }
}

// Records that reach one model by other spellings run one after the other at
// every QUORVEL_JOBS, so what a run prints and leaves is that of one at a time.
TEST_F(QuorvelBinaryTest, OneModelSpelledSeveralWaysRunsAsWithOneJob) {
  fs::create_directory(run / "work");
  writeFileText(run / "work/rock.tga", "");
  // A large mesh, whose outputs the texture check then removes: runs of
  // one model side by side would meet each other's half-written files.
  std::string model = "newmodel m\n";
  for (int i = 0; i < 4000; ++i) model += "bitmap t" + std::to_string(i) + "\n";
  writeFileText(run / "work/m.mdl", model);
  std::string listing = "work/m.mdl:1:x\nwork//m.mdl:1:x\nwork/./m.mdl:1:x\n";
  if (!runsOnWindows()) {
    fs::create_symlink("m.mdl", run / "work/link.mdl");
    listing += "work/link.mdl:1:x\n";
  }
  writeFileText(run / "listing.txt", listing);
  std::map<std::string, ProgramResult> results;
  for (const char* jobs : {"1", "8"}) {
    setEnvironmentVariable("QUORVEL_JOBS", jobs);
    results[jobs] = quorvel({"listing.txt", "1", "1", "1", "1", "work"});
  }
  setEnvironmentVariable("QUORVEL_JOBS", "");
  EXPECT_EQ(results["1"].exitStatus, 0) << results["1"].err;
  EXPECT_EQ(results["8"].exitStatus, results["1"].exitStatus) << results["8"].err;
  EXPECT_EQ(results["8"].out, results["1"].out);
  EXPECT_EQ(results["8"].err, results["1"].err);
}

}  // namespace
