// The real programs started the ways an unkind system starts them: closed
// standard streams, an ignored SIGCHLD, few descriptors, an unlistable or
// link-less folder, hard-linked models, a scratch folder swapped for a link,
// endless listings and FIFOs. Each row runs one shell line; every run must
// end, say what failed and touch nothing outside the work directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "container_builder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string text(const fs::path& path) {
  const Bytes bytes = readFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

struct Row {
  const char* label;
  std::function<void(const fs::path& run)> prepare;  // run/w is the work directory
  std::string line;                                  // $Q is Quorvel
  int status;
  std::vector<std::string> errHas;
  std::function<void(const fs::path& run, const ProgramResult&)> check;
};

// A decoder stand-in (it works in w/.quorvel-scratch/1/decode-0) that swaps
// the scratch folder for a link to `outside` before it writes level 0, as
// another user with write access to the work directory could.
const char kSwappingDecoder[] =
    "#!/bin/sh\n"
    "mv ../../../.quorvel-scratch ../../../moved && ln -s \"$OUTSIDE\" ../../../.quorvel-scratch && "
    "printf 'level 0' > texture0.tga\n";

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  return names;
}

// A decoder stand-in that tells where it runs and then takes its time.
const char kSlowDecoder[] = "#!/bin/sh\necho $$ > ../../../../child.pid\nexec sleep 30\n";

// A decoder stand-in that counts the decoders running beside it (itself
// included) before it takes its time and writes level 0.
const char kCountingDecoder[] =
    "#!/bin/sh\nmkdir ../../../../busy.$$\nls -d ../../../../busy.* | wc -l >> ../../../../running.log\n"
    "sleep 0.1\nrmdir ../../../../busy.$$\nprintf 'level 0' > texture0.tga\n";

// Gone, or dead and waiting to be collected by whoever adopted it.
const char kChildGone[] =
    "p=$(cat child.pid); [ ! -e /proc/$p ] || grep -q '^State:.*Z' /proc/$p/status && echo gone";

void writeExecutable(const fs::path& path, const std::string& content) {
  writeFileText(path, content);
  fs::permissions(path, fs::perms::owner_all);
}

bool canSwitchToNobody() { return geteuid() == 0 && access("/usr/bin/setpriv", X_OK) == 0; }

TEST(HostileSystem, EveryRunEndsSaysWhatFailedAndStaysInside) {
  const Bytes container = makeContainer(8, 8, kFormatRgb, hexBytes("10 84 10 84 00 00 00 00"));
  const std::string binaryModel = std::string("\0\0\0\0newmodel m\n", 15);
  const auto withContainer = [&](const fs::path& run) { writeFileBytes(run / "w/rock.dds", container); };
  const auto textureDecoded = [](const fs::path& run, const ProgramResult& result) {
    EXPECT_TRUE(fs::exists(run / "w/rock.tga"));
    EXPECT_EQ(result.err.find('\r'), std::string::npos) << "no progress line where standard error is no terminal";
  };
  const auto scriptHasNoDriverLines = [](const fs::path& run, const ProgramResult&) {
    const std::string script = text(run / "w/universal.material");
    EXPECT_EQ(script.find("Quorvel"), std::string::npos) << script;
    EXPECT_EQ(script.find("Converting"), std::string::npos) << script;
    EXPECT_NE(script.find("texture rock.tga"), std::string::npos) << script;
  };
  const Row rows[] = {
      // Both closed: the first two descriptors the run opens take their
      // places, and the tab in a texture's name makes a line on standard
      // error while the script is being written.
      {"standard output and error closed",
       [&](const fs::path& run) {
         withContainer(run);
         writeFileText(run / "w/tab\tname.tga", "");
       },
       "$Q w >&- 2>&-", 0, {}, scriptHasNoDriverLines},
      {"SIGCHLD ignored", withContainer, "env --ignore-signal=CHLD $Q w", 0, {}, textureDecoded},
      {"four descriptors",
       [&](const fs::path& run) {
         withContainer(run);
         writeFileText(run / "w/universal.material", "old script\n");
       },
       // Descriptors the test runner left open are closed first.
       "for fd in $(ls /proc/$$/fd); do [ $fd -gt 2 ] && eval \"exec $fd>&-\"; done; ulimit -n 4; $Q w", 1,
       {"Quorvel: cannot make the scratch folder w/.quorvel-scratch; nothing done"},
       [](const fs::path& run, const ProgramResult&) {
         EXPECT_EQ(text(run / "w/universal.material"), "old script\n") << "a failed walk replaces nothing";
       }},
      {"hard-linked model",
       [&](const fs::path& run) {
         writeFileText(run / "backup.mdl", binaryModel);
         fs::create_hard_link(run / "backup.mdl", run / "w/m.mdl");
       },
       "$Q w", 0, {},
       [&](const fs::path& run, const ProgramResult&) {
         EXPECT_EQ(text(run / "backup.mdl"), binaryModel) << "the other name keeps its bytes";
         EXPECT_EQ(text(run / "w/m.mdl"), "newmodel m\n");
       }},
      {"scratch folder swapped for a link",
       [&](const fs::path& run) {
         withContainer(run);
         fs::create_directory(run / "outside");
         writeFileText(run / "outside/keep.txt", "outside");
         writeExecutable(run / "Tessark", kSwappingDecoder);
       },
       "OUTSIDE=\"$PWD/outside\" $Q w", 0, {},
       [](const fs::path& run, const ProgramResult&) {
         EXPECT_EQ(namesIn(run / "outside"), std::vector<std::string>{"keep.txt"}) << "nothing written outside";
         EXPECT_EQ(text(run / "w/rock.tga"), "level 0") << "level 0 left the scratch folder through its handle";
       }},
      {"driver ended by SIGTERM",
       [&](const fs::path& run) {
         withContainer(run);
         writeExecutable(run / "Tessark", kSlowDecoder);
       },
       std::string("$Q w & while [ ! -s child.pid ]; do sleep 0.05; done; kill -TERM $!; wait $!; sleep 0.5; ") +
           kChildGone,
       0, {}, [](const fs::path&, const ProgramResult& result) {
         EXPECT_EQ(result.out.substr(result.out.size() - std::min<size_t>(result.out.size(), 5)), "gone\n");
       }},
      {"never more decoders than asked for",
       [&](const fs::path& run) {
         for (const char* name : {"a.dds", "b.dds", "c.dds", "d.dds", "e.dds", "f.dds"})
           writeFileBytes(run / "w" / name, container);
         writeExecutable(run / "Tessark", kCountingDecoder);
       },
       "QUORVEL_JOBS=2 $Q w > /dev/null && sort -n running.log | tail -1", 0, {},
       [](const fs::path&, const ProgramResult& result) {
         EXPECT_EQ(result.out, "2\n") << "two at once, never more";
       }},
      {"standard error on a terminal",
       [&](const fs::path& run) {
         for (const char* name : {"a.dds", "b.dds"}) writeFileBytes(run / "w" / name, container);
       },
       "script -qec \"$Q w\" /dev/null", 0, {},
       [](const fs::path&, const ProgramResult& result) {
         // Drawn in place on the terminal, cleared before the next line.
         EXPECT_NE(result.out.find("\rdecoding containers 1/2, "), std::string::npos) << result.out;
         EXPECT_NE(result.out.find("\r\x1b[K"), std::string::npos) << result.out;
         EXPECT_NE(result.out.find("Quorvel: 2 containers decoded"), std::string::npos) << result.out;
       }},
      {"decoder's folder renamed away during a decode",
       [&](const fs::path& run) {
         fs::create_directory(run / "d");
         writeFileBytes(run / "d/big.dds", makeContainer(4096, 4096, kFormatRgb, hexBytes("10 84 10 84 00 00 00 00")));
       },
       // The decode takes some 40 ms here: the folder moves in the middle.
       "\"$T\" -d d/big.dds > /dev/null & sleep 0.02; mv d moved; wait $!; ls -a moved | grep -c tessark || true", 0,
       {}, [](const fs::path&, const ProgramResult& result) {
         EXPECT_EQ(result.out, "0\n") << "the level being written when the folder moved leaves no temporary file";
       }},
      {"file system without links", withContainer, "LD_PRELOAD=" NO_LINKS_SHIM_PATH " $Q w", 0, {}, textureDecoded},
      {"endless listing", nullptr,
       "$Q /dev/zero 1 1 1 1 w > /dev/null & sleep 1; grep VmHWM /proc/$!/status; kill -9 $!", 0, {},
       [](const fs::path&, const ProgramResult& result) {
         const unsigned long kilobytes = std::stoul(result.out.substr(result.out.find(':') + 1));
         EXPECT_LT(kilobytes, 150000u) << "memory stays bounded: " << result.out;
       }},
      {"record without a line end",
       [](const fs::path& run) {
         writeFileText(run / "listing.txt", std::string(300000, 'a') + ":1:x\nw/m.mdl:1:x\n");
         writeFileText(run / "w/m.mdl", "newmodel m\nbitmap rock\n");
         writeFileText(run / "w/rock.tga", "");
       },
       "$Q listing.txt 1 1 1 1 w", 1, {"Quorvel: skipped a listing record longer than 131072 bytes"},
       [](const fs::path& run, const ProgramResult& result) {
         EXPECT_NE(result.out.find("converting w/m.mdl\n"), std::string::npos) << "the next record is converted";
         EXPECT_TRUE(fs::exists(run / "w/m.mdl.mesh.xml"));
       }},
      {"both streams in one log",
       [](const fs::path& run) {
         writeFileText(run / "listing.txt", "w/m.mdl:1:x\n");
         writeFileText(run / "w/m.mdl", "newmodel m\nbitmap rock\n");
       },
       "$Q listing.txt 1 1 1 1 w > log 2>&1; sed 1d log", 0, {},
       [](const fs::path&, const ProgramResult& result) {
         EXPECT_EQ(result.out.substr(0, result.out.rfind(';')),
                   "processing grep output\n>>> 0 <<<\nconverting w/m.mdl\nDrevik.lua stand-in: w/m.mdl -> 1 submeshes\n"
                   "Quorvel: removed the outputs of w/m.mdl: w/rock.tga does not exist\n>>> 1 <<<\n"
                   "1 models processed. done.\nQuorvel: 0 models converted, 1 removed, 0 failed");
       }},
      {"FIFO in a listing",
       [](const fs::path& run) {
         ASSERT_TRUE(makeFifo(run / "w/pipe.mdl"));
         writeFileText(run / "listing.txt", "w/pipe.mdl:1:x\n");
       },
       "$Q listing.txt 1 1 1 1 w", 1, {"Quorvel: not converting w/pipe.mdl: it is not a regular file or a directory"},
       [](const fs::path&, const ProgramResult& result) {
         EXPECT_EQ(result.out.find("converting"), std::string::npos) << result.out;
       }},
      {"unlistable work directory",
       [&](const fs::path& run) {
         withContainer(run);
         writeFileText(run / "w/universal.material", "old script\n");
         EXPECT_EQ(chown((run / "w").c_str(), 65534, 65534), 0);
         fs::permissions(run / "w", fs::perms::owner_write | fs::perms::owner_exec);
         fs::permissions(run, fs::perms::all);
       },
       "setpriv --reuid=65534 --regid=65534 --clear-groups $Q w", 1, {"Quorvel: cannot list w: Permission denied"},
       [](const fs::path& run, const ProgramResult&) {
         fs::permissions(run / "w", fs::perms::owner_all);
         EXPECT_EQ(text(run / "w/universal.material"), "old script\n");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    if (std::string(row.label) == "unlistable work directory" && !canSwitchToNobody()) continue;
    ScratchDir run;
    fs::create_directory(run / "w");
    fs::copy_file(DREVIK_SCRIPT, run / "Drevik.lua");
    if (row.prepare) row.prepare(run.path());
    const std::string standins = fs::path(NWNMDLCOMP_PATH).parent_path().string();
    const std::string line = "Q=\"$1\"; T=\"$2\"; PATH=\"" + standins + ":$PATH\"; export ASAN_OPTIONS=verify_asan_link_order=0; " +
                             row.line;
    const ProgramResult result = runProgram("/bin/bash", {"-c", line, "bash", QUORVEL_PATH, TESSARK_PATH}, run.path());
    EXPECT_EQ(result.exitStatus, row.status) << result.err;
    for (const std::string& wanted : row.errHas) EXPECT_NE(result.err.find(wanted), std::string::npos) << result.err;
    if (row.check) row.check(run.path(), result);
  }
}

}  // namespace
