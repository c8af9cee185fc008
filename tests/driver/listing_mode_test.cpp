// Start-up, run-mode choice and the model listing reader, against the fake.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "driver.h"
#include "fake_platform.h"

namespace {

using Events = std::vector<std::string>;

class QuorvelRunTest : public StageTest {
 protected:
  // The recorded sequences are those of one job (the fake's processor
  // count), whatever QUORVEL_JOBS the suite itself runs under.
  Captured run(std::vector<std::string> args, int expectedStatus = kExitSuccess) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    const char* given = getenv("QUORVEL_JOBS");
    const std::string saved = given ? given : "";
    setEnvironmentVariable("QUORVEL_JOBS", "");
    Captured captured =
        captureOutput([&] { EXPECT_EQ(runQuorvel(static_cast<int>(argv.size()), argv.data()), expectedStatus); });
    setEnvironmentVariable("QUORVEL_JOBS", saved);
    return captured;
  }
  void acceptConversions() {
    fakePlatform().programs["lua"] = [](const std::vector<std::string>&) { return 0; };
  }
};

struct ListingCase {
  const char* label;
  std::string listing;
  std::string expectedOut;  // after the echo line and "processing grep output"
};

class ListingReaderTest : public QuorvelRunTest, public testing::WithParamInterface<ListingCase> {};

TEST_P(ListingReaderTest, RecordsGiveModelNames) {
  touch("listing.txt", GetParam().listing);
  acceptConversions();
  const Captured output = run({"Quorvel", path("listing.txt"), "1", "1", "1", "1", dir()});
  const std::string head = "7\tQuorvel " + path("listing.txt") + " 1 1 1 1 " + dir() + " \nprocessing grep output\n";
  EXPECT_EQ(output.out, head + GetParam().expectedOut) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ListingReaderTest,
    testing::Values(
        ListingCase{"drive letter", "C:\\models\\door.mdl:12:newmodel door\n",
                    ">>> 0 <<<\nconverting C:\\models\\door.mdl\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"colon at position 2 stays", "ab:cd:ef\n",
                    ">>> 0 <<<\nconverting ab:cd\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"colon at position 3 ends", "abc:d\n",
                    ">>> 0 <<<\nconverting abc\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"two lines", "a.mdl:1:x\nb.mdl:2:y\n",
                    ">>> 0 <<<\nconverting a.mdl\n>>> 1 <<<\nconverting b.mdl\n>>> 2 <<<\n"
                    "2 models processed. done.\n"},
        ListingCase{"last line without a colon is dropped", "a.mdl:1:x\nnocolon\n",
                    ">>> 0 <<<\nconverting a.mdl\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"a name runs on over a line feed", "ab\ncd.mdl:3:x\n",
                    ">>> 0 <<<\nconverting ab\ncd.mdl\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"carriage return belongs to the skipped part", "a.mdl:1:x\r\n",
                    ">>> 0 <<<\nconverting a.mdl\n>>> 1 <<<\n1 models processed. done.\n"},
        ListingCase{"last record without a line feed is converted", "a.mdl:1:x\nb.mdl:2",
                    ">>> 0 <<<\nconverting a.mdl\n>>> 1 <<<\nconverting b.mdl\n2 models processed. done.\n"},
        ListingCase{"empty listing", "", ">>> 0 <<<\n0 models processed. done.\n"},
        ListingCase{"a NUL byte ends the name", std::string("ab\0cd:1:x\n", 10),
                    ">>> 0 <<<\nconverting ab\n>>> 1 <<<\n1 models processed. done.\n"}));

TEST_F(QuorvelRunTest, EveryRecordIsConvertedThenVerified) {
  touch("a.mdl");
  touch("b.mdl");
  touch("listing.txt", path("a.mdl") + ":1:x\n" + path("b.mdl") + ":1:x\n");
  acceptConversions();
  // The stand-in writes no mesh, so each verification fails.
  run({"Quorvel", path("listing.txt"), "7", "0", "1", "1", dir()}, kExitFailure);
  EXPECT_EQ(events(), (Events{"lock W", "run lua Drevik.lua -s 7 -noskel \"W/a.mdl\"", "delete W/a.mdl.material",
                              "run lua Drevik.lua -s 7 -noskel \"W/b.mdl\"", "delete W/b.mdl.material"}));
}

// A record whose name is no model file is converted as any other, but
// nothing of that name is deleted: the user's colon.mesh stays.
TEST_F(QuorvelRunTest, RecordsThatNameNoModelFileDeleteNothing) {
  std::filesystem::create_directory(path("models"));
  std::filesystem::create_directory(path("folder.mdl"));
  for (const char* name : {"models/colon:inside.mdl", "models/colon.mesh", "models/colon.material", "folder.mdl.material",
                           "ab\ncd.mdl.material"})
    touch(name, "user file");
  const std::string listing = path("models/colon:inside.mdl") + ":1:x\n" + path("folder.mdl") + ":1:x\n" + path("ab") +
                              "\ncd.mdl:1:x\n" + path("missing.mdl") + ":1:x\n";
  touch("listing.txt", listing);
  acceptConversions();
  const std::vector<std::string> before = files();
  const Captured output = run({"Quorvel", path("listing.txt"), "1", "1", "1", "1", dir()});
  EXPECT_EQ(files(), before);
  EXPECT_EQ(read("models/colon.mesh"), "user file");
  EXPECT_EQ(std::count(output.err.begin(), output.err.end(), '\n'), 5) << "four records and the summary: " << output.err;
  EXPECT_NE(output.err.find(path("models/colon") + " is not a model file"), std::string::npos) << output.err;
  EXPECT_NE(output.err.find(path("ab") + "\\ncd.mdl is not a model file"), std::string::npos) << output.err;
  for (const std::string& event : events()) EXPECT_EQ(event.rfind("delete", 0), std::string::npos) << event;
  EXPECT_NE(output.out.find("converting " + path("models/colon") + "\n"), std::string::npos);
}

TEST_F(QuorvelRunTest, ArgumentSixIsTheWorkDirectory) {
  std::filesystem::create_directory(path("textures"));
  touch("textures/rock.tga");
  touch("m.mesh.xml", "material=\"rock\"");
  touch("listing.txt", path("m") + ":1:x\n");
  acceptConversions();
  run({"Quorvel", path("listing.txt"), "1", "1", "1", "1", path("textures")});
  EXPECT_TRUE(has("m.mesh.xml")) << "rock.tga is found in argument 6's directory";
}

TEST_F(QuorvelRunTest, EchoEndsWithABlankBeforeTheLineFeed) {
  const Captured output = run({"Quorvel", "D:\\work"}, kExitFailure);
  EXPECT_EQ(output.out.substr(0, output.out.find('\n') + 1), "2\tQuorvel D:\\work \n");
  EXPECT_TRUE(fakePlatform().priorityLowered);
}

TEST_F(QuorvelRunTest, OneArgumentIsDirectoryModeEvenForAFile) {
  touch("listing.txt", "a.mdl:1:x\n");
  const Captured output = run({"Quorvel", path("listing.txt")}, kExitFailure);
  EXPECT_EQ(output.out, "2\tQuorvel " + path("listing.txt") + " \n");
  EXPECT_EQ(output.err, "Quorvel: the work directory " + path("listing.txt") +
                            " cannot be used: it is not a directory; nothing done\n");
}

TEST_F(QuorvelRunTest, DirectoryModeRunsTheThreeStagesInOrder) {
  touch("rock.dds");
  touch("rock.mdl");
  fakePlatform().programs["Tessark"] = fakeDecoder(2);
  fakePlatform().programs["nwnmdlcomp"] = [](const std::vector<std::string>&) { return 0; };
  const Captured output = run({"Quorvel", dir()});
  EXPECT_EQ(output.out, "2\tQuorvel " + dir() + " \nConverting all dds to tga\nrock.dds\n" +
                            "Generating universal material file\nrock.tga\n" +
                            "Converting all binary-mdl to ascii-mdl\nrock.mdl\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"rock.dds", "rock.mdl", "rock.tga", "universal.material"}));
}

class TooFewArgumentsTest : public QuorvelRunTest, public testing::WithParamInterface<int> {};

TEST_P(TooFewArgumentsTest, ListingModeWithoutSixArgumentsPrintsUsageOnly) {
  std::vector<std::string> args{"Quorvel"};
  for (int i = 1; i < GetParam(); ++i) args.push_back("a" + std::to_string(i));
  const Captured output = run(args, kExitUsage);
  const std::string usage =
      "usage: Quorvel WORKDIR | Quorvel LISTING VALUE SKELETON BONEROTATION ANIMATIONPOSITION WORKDIR\n";
  EXPECT_EQ(output.out.substr(output.out.find('\n') + 1), usage);
  EXPECT_EQ(events(), Events{});
}

INSTANTIATE_TEST_SUITE_P(ArgumentCounts, TooFewArgumentsTest, testing::Values(1, 3, 4, 5, 6));

TEST_F(QuorvelRunTest, ArgumentsAfterTheSixthAreEchoedAndIgnored) {
  touch("listing.txt", "");
  const Captured output = run({"Quorvel", path("listing.txt"), "1", "1", "1", "1", dir(), "extra"});
  EXPECT_EQ(output.out, "8\tQuorvel " + path("listing.txt") + " 1 1 1 1 " + dir() +
                            " extra \nprocessing grep output\n>>> 0 <<<\n0 models processed. done.\n");
}

TEST_F(QuorvelRunTest, UnopenableListingGivesOneMessage) {
  const Captured output = run({"Quorvel", path("none.txt"), "1", "1", "1", "1", dir()}, kExitFailure);
  EXPECT_EQ(output.out, "7\tQuorvel " + path("none.txt") + " 1 1 1 1 " + dir() +
                            " \nprocessing grep output\nCannot open the model listing " + path("none.txt") +
                            ": No such file or directory\n");
}

TEST_F(QuorvelRunTest, EmptyWorkDirectoryIsRefused) {
  const Captured output = run({"Quorvel", ""}, kExitUsage);
  EXPECT_EQ(output.out, "2\tQuorvel  \nQuorvel: the work directory argument is empty; nothing done\n");
}

TEST_F(QuorvelRunTest, MissingInterpreterStillDeletesAndVerifies) {
  touch("m");
  touch("m.mesh.xml", "material=\"gone\"");
  touch("listing.txt", path("m") + ":1:x\n");
  const Captured output = run({"Quorvel", path("listing.txt"), "1", "1", "1", "1", dir()}, kExitFailure);
  EXPECT_NE(output.err.find("cannot find the program lua"), std::string::npos);
  EXPECT_EQ(events(), (Events{"lock W", "delete W/m.material", "delete W/m.mesh.xml"}));
}

}  // namespace
