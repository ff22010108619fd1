// Runs that fail part-way: what the user is told, what BAZA holds afterwards,
// and that one export at a time writes into a base directory.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "session_test_support.h"

namespace dravenhol::e2e {
namespace {

using Faults = SessionTest;

std::string OpenFailure(const std::string& name) {
  return R"(HostMessageBoxFormat "Uwaga" "Nie można otworzyć pliku: BAZA\\)" + name + "\"";
}

TEST_F(Faults, ASecondExportIntoTheSameDirectoryWritesNothing) {
  fs::create_directories(Baza());
  std::ofstream(Baza() / "faktury.csv") << "earlier run\r\n";
  // Another export (here: this process, as another workstation would) holds the lock.
  const int held = open((base_ / "BAZA.lck").c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  LoadSample();
  Run();
  EXPECT_EQ(Messages().back(), R"(HostMessageBoxFormat "Uwaga" "Eksport do katalogu:\n)" + Escaped(base_.string()) +
                                   R"(\\BAZA\njuż trwa (na tym lub innym stanowisku).\nPliki nie zostały zmienione. )"
                                   R"(Spróbuj ponownie po jego zakończeniu.")");
  EXPECT_EQ(Read(Baza() / "faktury.csv"), "earlier run\r\n");
  EXPECT_FALSE(fs::exists(Baza() / "umowy.csv"));
  ExpectEverythingReleased();

  close(held);  // the lock goes with its holder
  Run();
  EXPECT_EQ(Messages().back(), FinalMessage());
  EXPECT_NE(Read(Baza() / "faktury.csv"), "earlier run\r\n");
}

TEST_F(Faults, ARunThatStopsPartWayLeavesNoFileOfAnEarlierRun) {
  const struct {
    const char* name;
    const char* host;
    std::vector<std::string> absent;
  } cases[] = {
      {"pair's second file", R"({"failures": {"openOutput": ["BAZA\\umowy.csv"]}})", {"umowy.csv"}},
      {"structured exception",
       R"({"failures": {"printfRaises": {"call": 5, "code": "0xC0000005"}}})",
       {"faktury.csv", "faktury_pozycje.csv", "kontrahenci.csv", "kontrah_rabaty.csv", "magazyn.csv",
        "uzytkownicy.csv"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadSample();
    Run();  // an earlier, complete export
    QelmarReset();  // calls are counted afresh
    LoadSample(c.host);
    Run();
    for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(Baza() / name)) << name;
    ExpectEverythingReleased();
  }
}

TEST_F(Faults, UnderInterkamGoodsLeftOutByUnreadContractsAreNamed) {
  for (const char* host : {R"({"dialog": "interkam", "failures": {"openOutput": ["BAZA\\umowy.csv"]}})",
                           R"({"dialog": "interkam", "failures": {"missingItemFile": {"contracts": [501]}}})"}) {
    SCOPED_TRACE(host);
    LoadSample(host);
    Run();
    EXPECT_TRUE(Contains(FileMessage("magazyn.csv")));
  }
  LoadSample(R"({"dialog": "universal", "failures": {"openOutput": ["BAZA\\umowy.csv"]}})");
  Run();
  EXPECT_FALSE(Contains(FileMessage("magazyn.csv")));
}

TEST_F(Faults, ALineFailureThatRepeatsIsShownOncePerFileWithItsCount) {
  LoadSample(R"({"failures": {"alloc": true}})");
  Run();
  std::vector<std::string> conversions;
  for (const std::string& m : Messages())
    if (m == R"(HostShowError "Operacja konwersji nieudana")") conversions.push_back(m);
  EXPECT_EQ(conversions.size(), kOutputFiles.size());  // the header line of each file, then counted
  const std::string repeated = R"(HostMessageBoxFormat "Uwaga" "W pliku BAZA\\faktury.csv ta sama usterka )"
                               R"(powtórzyła się jeszcze w 4 wierszach.")";
  EXPECT_TRUE(Contains(repeated));
  EXPECT_TRUE(Contains(FileMessage("faktury.csv")));
  ExpectEverythingReleased();
}

TEST_F(Faults, APathThatRecodingWouldCutIsReportedNotOpened) {
  // 120 Polish letters: 120 bytes in the host's code page, 240 once recoded
  // to the file system's UTF-8, which with BAZA\... passes 259 bytes.
  std::string polish;
  for (int i = 0; i < 60; ++i) polish += "łó";
  const fs::path base = base_ / polish;
  fs::create_directories(base);
  QelmarSetBaseDirectory(base.c_str());
  LoadSample();
  Run();
  // Each pass's first file is reported (a pair's second is not tried then).
  for (const auto& [name, header] : kHeaders)
    EXPECT_EQ(Contains(OpenFailure(name)), name != "umowy.csv" && name != "faktury_pozycje.csv") << name;
  // Nothing was written anywhere under a cut name.
  for (const auto& entry : fs::recursive_directory_iterator(base_))
    EXPECT_TRUE(entry.path().extension() != ".csv" && entry.path().filename() != "BAZA") << entry.path();
  ExpectEverythingReleased();
}

}  // namespace
}  // namespace dravenhol::e2e
