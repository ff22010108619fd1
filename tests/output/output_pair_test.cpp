// The output pair of a pass on its own, over the replacement host's own host
// functions in this process: what reaches the disk, and what the user is
// told, for lines, drops and failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/binding.h"
#include "host/host_types.h"
#include "output/output_pair.h"
#include "platform/platform.h"
#include "qelmar/qelmar.h"

namespace dravenhol {
namespace {

namespace fs = std::filesystem;

const OutputFile kFirst{"pierwszy.csv", "Id;Nazwa", 5002};
const OutputFile kSecond{"drugi.csv", "Id", 5002};

class OutputPairTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_binding.hostModule = platform::FindLoadedModule("QELMAR");
    BindAllHostFunctions();
  }

  void SetUp() override {
    base_ = fs::temp_directory_path() / ("dravenhol-output-pair-" + std::to_string(::getpid()));
    fs::remove_all(base_);
    fs::create_directories(base_);
    Host("{}");
  }
  void TearDown() override { fs::remove_all(base_); }

  // A fresh host with these settings, over an empty database.
  void Host(const std::string& settings) {
    QelmarReset();
    char error[512] = {};
    const std::string fixture = R"({"host": )" + settings + "}";
    ASSERT_EQ(QelmarLoadFixture(fixture.data(), fixture.size(), error, sizeof error), 0) << error;
    QelmarSetBaseDirectory(base_.c_str());
    QelmarTranscriptClear();
  }

  std::string Read(const char* name) const {
    std::ifstream in(base_ / "BAZA" / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // What the user was shown, as the host's transcript gives it.
  static std::vector<std::string> Messages() {
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < QelmarTranscriptCount(); ++i) {
      const std::string line = QelmarTranscriptLine(i);
      for (const char* kind : {"HostMessageBox ", "HostMessageBoxFormat ", "HostShowError ", "HostErrorMessage "})
        if (line.rfind(kind, 0) == 0) messages.push_back(line);
    }
    return messages;
  }

  // Host objects left unreleased, and what they are.
  static std::string Unreleased() {
    char text[256] = {};
    QelmarUnreleased(text, sizeof text);
    return text;
  }

  fs::path base_;
  HostHolder primary_{}, secondary_{};
};

constexpr const char* kNotWhole = R"( nie został zapisany w całości.\nOperacja niekompletna!")";

TEST_F(OutputPairTest, LinesReachTheDiskInUtf8WithCrLfAndNothingIsSaid) {
  OutputPair pair(primary_, secondary_);
  pair.Begin();
  ASSERT_TRUE(pair.Open(kFirst, &kSecond));
  pair.Put(Side::kPrimary, Row::Line("1;'za\xA7\xA2\x92\x8D'"));  // Mazovia "zażółć"
  pair.Put(Side::kSecondary, Row::Line(""));
  pair.Put(Side::kPrimary, Row::Line(nullptr));  // nothing to write
  pair.Close();
  pair.End(false);
  EXPECT_EQ(Read("pierwszy.csv"), "Id;Nazwa\r\n1;'za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87'\r\n");
  EXPECT_EQ(Read("drugi.csv"), "Id\r\n\r\n");
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Unreleased(), "none");
}

TEST_F(OutputPairTest, EachDropIsToldOnceAndTheFileNamedAtItsClose) {
  const struct {
    const char* what;
    Row row;
    std::string first;  // the message of the file's first drop
  } drops[] = {
      {"too long", Row::Dropped(Drop::kTooLong, "7"),
       R"(HostMessageBox "Uwaga" "Wiersz rekordu 7 nie mieści się w pliku BAZA\\pierwszy.csv i nie został )"
       R"(zapisany!\nOperacja niekompletna!")"},
      {"no row buffer", Row::Dropped(Drop::kNoRowBuffer), ""},
      {"items unread", Row::Dropped(Drop::kItemsUnread, "FV 1/2026"),
       R"(HostMessageBox "Uwaga" "Nie można odczytać pozycji dokumentu FV 1/2026 do pliku BAZA\\pierwszy.csv!\n)"
       R"(Operacja niekompletna!")"},
  };
  for (const auto& drop : drops) {
    SCOPED_TRACE(drop.what);
    Host("{}");
    OutputPair pair(primary_, secondary_);
    pair.Begin();
    ASSERT_TRUE(pair.Open(kFirst, nullptr));
    pair.Put(Side::kPrimary, Row::Line("1;a"));
    pair.Put(Side::kPrimary, drop.row);
    pair.Put(Side::kPrimary, drop.row);
    pair.Close();
    pair.End(false);
    std::vector<std::string> expected;
    if (!drop.first.empty()) {
      expected.push_back(drop.first);
      expected.push_back(R"(HostMessageBoxFormat "Uwaga" "W pliku BAZA\\pierwszy.csv ta sama usterka powtórzyła )"
                         R"(się jeszcze w 1 wierszach.")");
    }
    expected.push_back(std::string(R"(HostMessageBoxFormat "Uwaga" "Plik BAZA\\pierwszy.csv)") + kNotWhole);
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(Read("pierwszy.csv"), "Id;Nazwa\r\n1;a\r\n");
  }
}

TEST_F(OutputPairTest, AFileThatDidNotReachTheDiskWholeIsNamed) {
  const struct {
    const char* what;
    const char* settings;
  } failures[] = {
      {"every write fails", R"({"failures": {"write": {"from": 2}}})"},
      {"the close loses data", R"({"failures": {"closeOutput": ["BAZA\\pierwszy.csv"]}})"},
      {"cut by someone else", R"({"failures": {"cutFiles": ["BAZA\\pierwszy.csv"]}})"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.what);
    Host(failure.settings);
    OutputPair pair(primary_, secondary_);
    pair.Begin();
    ASSERT_TRUE(pair.Open(kFirst, nullptr));
    pair.Put(Side::kPrimary, Row::Line("1;a"));
    pair.Put(Side::kPrimary, Row::Line("2;b"));
    pair.Close();
    pair.End(false);
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              std::string(R"(HostMessageBoxFormat "Uwaga" "Plik BAZA\\pierwszy.csv)") + kNotWhole});
    EXPECT_EQ(Unreleased(), "none");
  }
}

TEST_F(OutputPairTest, ASecondFileThatCannotBeOpenedClosesTheFirstAsNotWhole) {
  Host(R"({"failures": {"openOutput": ["BAZA\\drugi.csv"]}})");
  OutputPair pair(primary_, secondary_);
  pair.Begin();
  EXPECT_FALSE(pair.Open(kFirst, &kSecond));
  pair.NameUnopened(kSecond.name);  // named once per run
  pair.End(false);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            R"(HostMessageBoxFormat "Uwaga" "Nie można otworzyć pliku: BAZA\\drugi.csv")",
                            std::string(R"(HostMessageBoxFormat "Uwaga" "Plik BAZA\\pierwszy.csv)") + kNotWhole}));
  EXPECT_EQ(Read("pierwszy.csv"), "");
  EXPECT_EQ(Unreleased(), "none");
}

TEST_F(OutputPairTest, DiscardedLinesOpenWriteAndSayNothing) {
  OutputPair pair(primary_, secondary_, Lines::kDiscarded);
  pair.Begin();
  EXPECT_TRUE(pair.Open(kFirst, &kSecond));
  pair.Put(Side::kPrimary, Row::Line("1;a"));
  pair.Put(Side::kPrimary, Row::Dropped(Drop::kTooLong, "7"));
  pair.Close();
  pair.End(false);
  EXPECT_FALSE(fs::exists(base_ / "BAZA"));
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace dravenhol
