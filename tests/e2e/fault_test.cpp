// Runs that fail part-way: what the user is told, what BAZA holds afterwards,
// and that one export at a time writes into a base directory.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>

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
       R"({"failures": {"raise": {"function": "HostFilePrintf", "call": 5}}})",
       {"faktury.csv", "faktury_pozycje.csv", "kontrahenci.csv", "kontrah_rabaty.csv", "magazyn.csv",
        "uzytkownicy.csv"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadSample();
    Run();          // an earlier, complete export
    QelmarReset();  // calls are counted afresh
    LoadSample(c.host);
    Run();
    // Emptied, not removed: nothing is left delete-pending.
    for (const std::string& name : c.absent) EXPECT_EQ(Read(Baza() / name), "") << name;
    ExpectEverythingReleased();
  }
}

TEST_F(Faults, TheLockFileRecordsTheRunAsItGoesAndHowItEnded) {
  // The files of a clean run, counted from the disk: lines are CR LF pairs
  // (no sample value holds a line break).
  LoadSample(R"({"dialog": "interkam"})");
  Run();
  std::string expected = std::string("version ") + DRAVENHOL_VERSION + "\r\nmethod Interkam\r\nstate complete\r\n";
  for (const std::string& name : kOutputFiles) {
    const std::string content = Read(Baza() / name);
    std::size_t lines = 0;
    for (std::size_t at = content.find("\r\n"); at != std::string::npos; at = content.find("\r\n", at + 2)) ++lines;
    expected +=
        "file " + name + " lines " + std::to_string(lines) + " bytes " + std::to_string(content.size()) + " whole\r\n";
  }
  EXPECT_EQ(Read(base_ / "BAZA.lck"), expected);

  // While the run lasts (read when the invoice file's open fails), and after.
  const struct {
    const char* host;
    const char* during;
    std::map<std::string, std::string> after;
  } cases[] = {
      {R"({"failures": {"openOutput": ["BAZA\\faktury.csv"]}})",
       "in progress",
       {{"umowy.csv", "whole"},
        {"faktury.csv", "unfinished"},
        {"faktury_pozycje.csv", "unfinished"},
        {"uzytkownicy.csv", "whole"}}},
      {R"({"dialog": "interkam", "failures": {"write": {"from": 30}}})",
       nullptr,
       {{"umowy.csv", "whole"}, {"kontrahenci.csv", "incomplete"}, {"uzytkownicy.csv", "incomplete"}}},
      {R"({"failures": {"raise": {"function": "HostFilePrintf", "call": 12}}})",
       nullptr,
       {{"umowy.csv", "whole"}, {"faktury.csv", "unfinished"}, {"uzytkownicy.csv", "unfinished"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    QelmarReset();
    LoadSample(c.host);
    struct Seen {
      fs::path lock;
      std::string state;
    } seen{base_ / "BAZA.lck", ""};
    QelmarSetTranscriptSink(
        [](const char* line, void* context) {
          auto* s = static_cast<Seen*>(context);
          if (s->state.empty() && std::string(line).find("Nie można otworzyć") != std::string::npos) {
            std::ifstream in(s->lock, std::ios::binary);
            std::getline(in, s->state);
            std::getline(in, s->state);
            std::getline(in, s->state);
          }
        },
        &seen);
    Run();
    QelmarSetTranscriptSink(nullptr, nullptr);
    if (c.during != nullptr) {
      EXPECT_EQ(seen.state, std::string("state ") + c.during + "\r");
    }
    const RunRecord record = ReadRunRecord();
    EXPECT_EQ(record.state, "incomplete");
    for (const auto& [name, state] : c.after) EXPECT_EQ(record.files.at(name).state, state) << name;
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

TEST_F(Faults, APathThatRecodingWouldCutOrChangeIsReportedNotOpened) {
  // 120 Polish letters: 120 bytes in the host's code page, 240 once recoded
  // to the file system's UTF-8, which with BAZA\... passes 259 bytes; and a
  // character the host's code page lacks, which it gives as '?'.
  std::string polish;
  for (int i = 0; i < 60; ++i) polish += "łó";
  for (const std::string& directory : {polish, std::string("Koszty €")}) {
    SCOPED_TRACE(directory);
    const fs::path base = base_ / directory;
    fs::create_directories(base);
    QelmarSetBaseDirectory(base.c_str());
    LoadSample();
    Run();
    // Each pass's first file is reported (a pair's second is not tried then).
    for (const auto& [name, header] : kHeaders)
      EXPECT_EQ(Contains(OpenFailure(name)), name != "umowy.csv" && name != "faktury_pozycje.csv") << name;
    // Nothing was written anywhere under a cut or changed name.
    for (const auto& entry : fs::recursive_directory_iterator(base_))
      EXPECT_TRUE(entry.path().extension() != ".csv" && entry.path().filename() != "BAZA") << entry.path();
    ExpectEverythingReleased();
  }
}

TEST_F(Faults, ARowBufferTheHostDoesNotGiveNamesEveryFileWithRows) {
  LoadSample(R"({"dialog": "interkam"})");
  Run();
  std::map<std::string, bool> hasRows;
  for (const std::string& name : kOutputFiles) {
    const std::string content = Read(Baza() / name);
    hasRows[name] = std::count(content.begin(), content.end(), '\n') > 1;
  }
  LoadSample(R"({"dialog": "interkam", "scratchBufferSize": 0})");
  Run();
  // kontrah_rabaty.csv formats its lines in a buffer of its own.
  for (const std::string& name : kOutputFiles)
    EXPECT_EQ(Contains(FileMessage(name)), hasRows[name] && name != "kontrah_rabaty.csv") << name;
  EXPECT_EQ(ReadRunRecord().state, "incomplete");
  ExpectEverythingReleased();
}

TEST_F(Faults, APathOfExactly259CharactersIsOpenedWhateverTheBaseEndsWith) {
  // The longest name under BAZA; the base ends with a separator of its own.
  const std::string longest = "faktury_pozycje.csv";
  const std::size_t fixed = base_.string().size() + 1 + std::string("/BAZA\\").size() + longest.size();
  for (const std::size_t total : {std::size_t{259}, std::size_t{260}}) {
    SCOPED_TRACE(total);
    const fs::path base = base_ / std::string(total - fixed, 'd');
    fs::create_directories(base);
    QelmarSetBaseDirectory((base.string() + "/").c_str());
    LoadSample();
    Run();
    EXPECT_EQ(Contains(OpenFailure(longest)), total > 259);
    EXPECT_TRUE(Contains(OpenFailure(longest)) || fs::exists(base / "BAZA" / longest));
    ExpectEverythingReleased();
  }
}

TEST_F(Faults, WhatTheHostsPrintfAndApplyReturnDecidesNothing) {
  LoadSample();
  Run();
  std::map<std::string, std::string> clean;
  for (const std::string& name : kOutputFiles) clean[name] = Read(Baza() / name);
  // What the user sees of the export (the install notice comes only once).
  const auto exportMessages = [] {
    std::vector<std::string> messages = Messages();
    std::erase_if(messages, [](const std::string& m) { return m.rfind("HostNoticeBox", 0) == 0; });
    return messages;
  };
  const std::vector<std::string> cleanMessages = exportMessages();
  for (const char* results :
       {R"({"HostHolderApply": 0, "HostFilePrintf": 0})", R"({"HostHolderApply": 1, "HostFilePrintf": 1})",
        R"({"HostHolderApply": 7, "HostFilePrintf": -1})"}) {
    SCOPED_TRACE(results);
    LoadSample(std::string(R"({"results": )") + results + "}");
    Run();
    for (const std::string& name : kOutputFiles) EXPECT_EQ(Read(Baza() / name), clean[name]) << name;
    EXPECT_EQ(exportMessages(), cleanMessages);
  }
}

// Every injectable failure, at every call number a sample export makes, under
// both methods: nothing stays unreleased, and every file that differs from a
// clean run's was named to the user (or, when the run ended before its pass,
// is absent and the run ended without its final message).
class FailureSweep : public SessionTest {
 protected:
  using Files = std::map<std::string, std::optional<std::string>>;

  Files Snapshot() const {
    Files files;
    for (const std::string& name : kOutputFiles)
      files[name] = fs::exists(Baza() / name) ? std::optional(Read(Baza() / name)) : std::nullopt;
    return files;
  }

  // A clean run: the files and the counters of what it called.
  Files CleanRun(const std::string& method) {
    QelmarReset();
    LoadSample(R"({"dialog": ")" + method + R"("})");
    Run();
    return Snapshot();
  }

  // exempt: a file that may differ without a word (a missing discount data
  // file is a business without discounts, and gives no message).
  void RunFailing(const std::string& method, const std::string& failure, const Files& clean,
                  const std::string& exempt = "") {
    SCOPED_TRACE(method + " " + failure);
    fs::remove_all(Baza());
    fs::remove(base_ / "BAZA.lck");
    QelmarReset();
    LoadSample(R"({"dialog": ")" + method + R"(", "failures": )" + failure + "}");
    Run();
    EXPECT_EQ(QelmarCounter("unreleased"), 0);
    ExpectEverythingReleased();
    const bool finished = Contains(FinalMessage());
    const Files files = Snapshot();
    // The lock file's record: a file called whole is the clean run's, at the
    // size recorded; the run is complete only when every file is whole. A
    // run that ended before it took the lock wrote neither record nor file.
    const RunRecord record = ReadRunRecord();
    if (record.state.empty()) {
      EXPECT_FALSE(fs::exists(Baza()));
      return;
    }
    std::size_t whole = 0;
    for (const auto& [name, entry] : record.files) {
      if (entry.state != "whole") continue;
      ++whole;
      ASSERT_TRUE(files.at(name).has_value()) << name;
      if (name != exempt) {
        EXPECT_EQ(files.at(name), clean.at(name)) << name << " called whole";
      }
      EXPECT_EQ(entry.bytes, static_cast<int64_t>(files.at(name)->size())) << name;
    }
    EXPECT_EQ(record.state, whole == kOutputFiles.size() ? "complete" : "incomplete");
    for (const auto& [name, content] : files) {
      if (content == clean.at(name) || name == exempt) continue;
      bool named = false;
      for (const std::string& message : Messages())
        named = named || message.find("BAZA\\\\" + name) != std::string::npos;
      EXPECT_TRUE(named || (!finished && !content.has_value())) << name << " changed without a word";
    }
  }

  void RunRaising(const std::string& method, const std::string& raise, const Files& clean) {
    SCOPED_TRACE(method + " " + raise);
    fs::remove_all(Baza());
    QelmarReset();
    LoadSample(R"({"dialog": ")" + method + R"(", "failures": {"raise": )" + raise + "}}");
    Run();
    ExpectEverythingReleased();
    EXPECT_EQ(QelmarCounter("stateFlags"), 0);
    int arrivals = 0;
    bool reported = false;
    for (const std::string& line : Transcript()) {
      EXPECT_EQ(line.rfind("ExceptionChanged", 0), std::string::npos) << line;
      EXPECT_EQ(line.rfind("ExceptionObjectsLeft", 0), std::string::npos) << line;
      EXPECT_EQ(line.rfind("HostExceptionReportInformationChanged", 0), std::string::npos);
      arrivals += line.rfind("CommandFault ", 0) == 0 || line.rfind("CommandCaught ", 0) == 0;
      reported = reported || line.rfind("HostExceptionReport ", 0) == 0;
    }
    EXPECT_EQ(arrivals, 1);
    if (reported) return;  // the line writer's: the files it left cut are named
    for (const auto& [name, content] : Snapshot()) {
      if (!content) continue;
      const std::string& whole = *clean.at(name);
      EXPECT_EQ(whole.compare(0, content->size(), *content), 0) << name << " is not a clean run's beginning";
      EXPECT_TRUE(content->empty() || content->ends_with("\r\n")) << name << " ends inside a line";
    }
  }
};

// Every injectable failure, at every call number a sample export makes.
TEST_F(FailureSweep, EveryKindAtEveryCall) {
  for (const std::string method : {"universal", "interkam"}) {
    const Files clean = CleanRun(method);
    std::map<std::string, int64_t> calls;
    for (std::size_t i = 0; i < QelmarInjectionCount(); ++i)
      calls[QelmarInjectionName(i)] =
          QelmarCounter(("inject." + std::string(QelmarInjectionName(i)) + ".calls").c_str());
    for (const auto& [kind, count] : calls) {
      EXPECT_GT(count, 0) << kind;
      for (int64_t n = 1; n <= count; ++n) {
        // The last item file a run opens is the discount data file.
        const bool discountFile = kind == "itemFile" && n == count;
        RunFailing(method, R"({")" + kind + R"(": {"call": )" + std::to_string(n) + "}}", clean,
                   discountFile ? "kontrah_rabaty.csv" : "");
      }
    }
  }
}

// An exception of each form the host raises, at the calls of the host
// functions a run makes that take or use what must be given back (release
// functions themselves are left out: a raise before their work leaves their
// object with the host by definition). The host's frame receives what was
// raised, or, from inside the line writer, its report and a bare raise of the
// same code; nothing stays unreleased, the state bit is restored, and every
// file holds whole lines of a clean run's file, up to where the run stopped.
TEST_F(FailureSweep, AnExceptionOfEachFormAtEveryCallOfTheRun) {
  const char* functions[] = {
      "HostDialogBaseConstruct", "HostHolderInit",   "HostHolderGet",     "HostHolderSet",    "HostHolderApply",
      "HostFileOpenShared",      "HostRecodeText",   "HostFilePrintf",    "HostConvertText",  "HostAlloc",
      "HostGuardEnter",          "HostCursorOpen",   "HostCursorNext",    "HostOpenItemFile", "HostReadItems",
      "HostPrepareContractItem", "HostGetAttribute", "HostScratchBuffer", "HostFileGets",     "HostCompareText",
      "HostReadItemRecord",      "HostScanStep",     "HostGroupName",     "HostDateToText",   "HostSettlementSetup"};
  for (const std::string method : {"universal", "interkam"}) {
    const Files clean = CleanRun(method);
    std::map<std::string, int64_t> calls;
    for (const char* f : functions) calls[f] = QelmarCounter(("calls." + std::string(f)).c_str());
    for (const auto& [function, count] : calls) {
      EXPECT_GT(count, 0) << function;
      std::vector<int64_t> at;
      for (int64_t n = 1; n <= count; n += n < 12 ? 1 : 5) at.push_back(n);  // every call to the 12th, every 5th
      at.push_back(count);
      for (const int64_t n : at)
        for (const char* form : {"structured", "SE_Exception", "HostError"})
          RunRaising(
              method,
              R"({"function": ")" + function + R"(", "call": )" + std::to_string(n) + R"(, "as": ")" + form + R"("})",
              clean);
    }
  }
}

}  // namespace
}  // namespace dravenhol::e2e
