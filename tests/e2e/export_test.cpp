// Whole export runs: what lands on disk, what the user sees, and that every
// host object and buffer is given back however the run ends.
#include <sys/stat.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "session_test_support.h"

namespace dravenhol::e2e {
namespace {

using Export = SessionTest;

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

TEST_F(Export, EightFilesWithTheirHeadersInUtf8AndCrLf) {
  for (const char* method : {"universal", "interkam"}) {
    SCOPED_TRACE(method);
    LoadSample(std::string(R"({"dialog": ")") + method + "\"}");
    const QelmarSession session = Run();
    EXPECT_TRUE(session.commandRan);
    for (const auto& [name, header] : kHeaders) {
      const std::string text = Read(Baza() / name);
      EXPECT_EQ(text.substr(0, header.size() + 2), header + "\r\n") << name;
      EXPECT_TRUE(IsUtf8(text)) << name;
      EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << name;
      ASSERT_GE(text.size(), 2u);
      EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << name;
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << name << " has a bare line feed at " << at;
    }
    EXPECT_EQ(Messages().back(), FinalMessage());
    ExpectEverythingReleased();
  }
}

TEST_F(Export, RunningTwiceReplacesTheFiles) {
  LoadSample();
  Run();
  const std::string first = Read(Baza() / "kontrahenci.csv");
  std::ofstream(Baza() / "magazyn.csv", std::ios::app) << "garbage\r\n";
  Run();
  EXPECT_EQ(Read(Baza() / "kontrahenci.csv"), first);
  EXPECT_EQ(Read(Baza() / "magazyn.csv").find("garbage"), std::string::npos);
}

TEST_F(Export, EscCreatesNothingAndShowsNothing) {
  LoadSample(R"({"dialog": "cancel"})");
  const QelmarSession session = Run();
  EXPECT_TRUE(session.commandRan);
  EXPECT_TRUE(Contains(R"(HostRunDialog 21135 "Jak wysyłać dane" cancel)"));
  EXPECT_FALSE(fs::exists(Baza()));
  for (const std::string& message : Messages()) EXPECT_EQ(message.rfind("HostNoticeBox", 0), 0u) << message;
  EXPECT_EQ(QelmarCounter("allocZeroed.calls"), 0);
  EXPECT_EQ(QelmarCounter("tablePrepare"), 0);
  ExpectEverythingReleased();
}

TEST_F(Export, DialogTemplateReachesTheHostWhole) {
  LoadSample(R"({"dialog": "cancel"})");
  Run();
  unsigned char bytes[300] = {};
  ASSERT_EQ(QelmarDialogTemplate(bytes, sizeof bytes), 208u);
  EXPECT_EQ(bytes[0], 204);
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 21135);
}

TEST_F(Export, AnItemFileThatCannotBeOpenedSkipsTheTableAndTheRunGoesOn) {
  LoadSample(R"({"failures": {"openOutput": ["BAZA\\faktury_pozycje.csv"]}})");
  Run();
  const std::vector<std::string> messages = Messages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[messages.size() - 3],
            R"(HostMessageBoxFormat "Uwaga" "Nie można otworzyć pliku: BAZA\\faktury_pozycje.csv")");
  EXPECT_EQ(messages[messages.size() - 2], FileMessage("faktury.csv"));  // left empty
  EXPECT_EQ(messages.back(), FinalMessage());
  EXPECT_TRUE(fs::exists(Baza() / "faktury.csv"));
  EXPECT_EQ(fs::file_size(Baza() / "faktury.csv"), 0u);
  for (const char* later : {"kontrahenci.csv", "kontrah_rabaty.csv", "magazyn.csv", "uzytkownicy.csv"})
    EXPECT_GT(fs::file_size(Baza() / later), 0u) << later;
  ExpectEverythingReleased();
}

TEST_F(Export, AFileThatCannotBeCreatedForRealIsReportedTheSameWay) {
  // A directory in the file's place fails the open even for a privileged user.
  fs::create_directories(Baza() / "faktury_pozycje.csv");
  LoadSample();
  Run();
  EXPECT_TRUE(Contains(R"(HostMessageBoxFormat "Uwaga" "Nie można otworzyć pliku: BAZA\\faktury_pozycje.csv")"));
  EXPECT_EQ(fs::file_size(Baza() / "faktury.csv"), 0u);
  EXPECT_EQ(Messages().back(), FinalMessage());
}

TEST_F(Export, BazaIsCreatedUnderABaseDirectoryWithPolishLetters) {
  const fs::path polish = base_ / "Księgowość Łódź";
  fs::create_directories(polish);
  QelmarSetBaseDirectory(polish.c_str());
  LoadSample();
  Run();
  for (const std::string& name : kOutputFiles) EXPECT_TRUE(fs::exists(polish / "BAZA" / name)) << name;
  EXPECT_EQ(Messages().back(),
            R"(HostMessageBoxFormat "Uwaga" "Pliki uworzono w katalogu:\n)" + Escaped(polish.string()) + R"(\\BAZA")");
}

TEST_F(Export, InstallNoticeAppearsOnceAndIsRemembered) {
  LoadSample(R"({"dialog": "cancel"})");
  Run();
  EXPECT_TRUE(Contains(R"(HostNoticeBox "Zainstalowano wtyczkę do programu:\n)" + kDescription + "\""));
  EXPECT_NE(Read(base_ / "WtyczkiG.ini").find("Pytaj=1"), std::string::npos);
  Run();
  for (const std::string& message : Messages()) EXPECT_NE(message.rfind("HostNoticeBox", 0), 0u);
}

TEST_F(Export, InstallNoticeReturnsWhileTheAnswerKeepsAsking) {
  LoadSample(R"({"dialog": "cancel", "noticeAnswer": 0})");
  Run();
  EXPECT_NE(Read(base_ / "WtyczkiG.ini").find("Pytaj=0"), std::string::npos);
  Run();
  EXPECT_TRUE(Contains(R"(HostNoticeBox "Zainstalowano wtyczkę do programu:\n)" + kDescription + "\""));
  // Only the low 16 bits of the stored value count.
  std::ofstream(base_ / "WtyczkiG.ini", std::ios::trunc) << "[Dravenhol]\r\nPytaj=65536\r\n";
  LoadSample(R"({"dialog": "cancel"})");
  Run();
  EXPECT_TRUE(Contains(R"(HostNoticeBox "Zainstalowano wtyczkę do programu:\n)" + kDescription + "\""));
}

TEST_F(Export, TheRunningFlagIsSetOnlyForTheRunThatFoundItClear) {
  LoadSample(R"({"dialog": "cancel", "stateFlags": 0})");
  Run();
  EXPECT_EQ(QelmarCounter("stateFlags") & 0x8000, 0);
  LoadSample(R"({"dialog": "cancel", "stateFlags": 32769})");
  Run();
  EXPECT_EQ(QelmarCounter("stateFlags"), 32769);
}

TEST_F(Export, MissingDataFileOrMarksEndTheRunBeforeAnyFile) {
  LoadSample(R"({"recordLengths": {"w3": "absent"}, "activation": 0})");
  Run();
  EXPECT_EQ(Messages().back(), R"(HostMessageBox "Uwaga" "Błąd operacji dyskowej-Initial!\nOperacja niekompletna!")");
  EXPECT_FALSE(fs::exists(Baza()));

  LoadSample(R"({"failures": {"allocZeroed": true}})");
  Run();
  EXPECT_EQ(Messages().back(),
            R"(HostMessageBox "Uwaga" "Błąd operacji na pamięci-tabIdentyf!\nOperacja niekompletna!")");
  EXPECT_FALSE(fs::exists(Baza()));
  ExpectEverythingReleased();
}

TEST_F(Export, CommandStartsOnlyWithEveryFunctionAnExportCalls) {
  // Bound and never called, called only at the unload, and called by the run.
  for (const int number : {40008, 52082, 52279}) {
    SCOPED_TRACE(number);
    fs::remove_all(Baza());
    QelmarReset();  // counted afresh
    LoadSample(R"({"missingFunctions": [)" + std::to_string(number) + "]}");
    const QelmarSession session = Run();
    EXPECT_EQ(session.handshake, 0);
    EXPECT_TRUE(session.commandRan);
    if (number != 52279) {
      EXPECT_EQ(Messages().back(), FinalMessage());
      continue;
    }
    EXPECT_EQ(
        Messages().back(),
        Stop(
            R"(Wtyczka \")" + kDescription +
            R"(\" potrzebuje zaimportować\nfunkcję o numerze 52279 z modułu głównego,\njednak moduł główny jej nie posiada. Aby naprawić tę sytuację\nzainstaluj aktualizację programu oraz wtyczki.\n\nEKSPORT NIE ZOSTANIE WYKONANY!!!\n)"));
    EXPECT_FALSE(fs::exists(Baza()));
    EXPECT_EQ(QelmarCounter("dialogBase.construct"), 0);
  }
}

TEST_F(Export, AFullDiskIsReportedFileByFile) {
  LoadSample(R"({"failures": {"write": {"from": 1}}})");
  Run();
  std::vector<std::string> expected;
  expected.reserve(kHeaders.size() + 1);
  for (const auto& [name, header] : kHeaders) expected.push_back(FileMessage(name));
  expected.push_back(FinalMessage());
  std::vector<std::string> messages = Messages();
  messages.erase(messages.begin());  // the install notice
  EXPECT_EQ(messages, expected);
  ExpectEverythingReleased();
}

TEST_F(Export, AFailedCloseIsReported) {
  LoadSample(R"({"failures": {"closeOutput": ["BAZA\\umowy.csv"]}})");
  Run();
  std::vector<std::string> messages = Messages();
  EXPECT_EQ(messages.at(1), FileMessage("umowy.csv"));
  EXPECT_EQ(messages.back(), FinalMessage());
}

TEST_F(Export, ALineThatCannotBeConvertedIsReportedAndTheFileNamed) {
  LoadSample(R"({"failures": {"alloc": 1}})");
  Run();
  const std::vector<std::string> messages = Messages();
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(messages[1], R"(HostShowError "Operacja konwersji nieudana")");
  EXPECT_EQ(messages[2], FileMessage("umowystale.csv"));
  EXPECT_EQ(messages.back(), FinalMessage());
  EXPECT_EQ(Read(Baza() / "umowystale.csv"), "");
  ExpectEverythingReleased();
}

TEST_F(Export, AStructuredExceptionInTheLineWriterPassesAsRaisedAndTheRunIsReleased) {
  LoadSample(R"({"failures": {"raise": {"function": "HostFilePrintf", "call": 3}}})");
  const QelmarSession session = Run();
  EXPECT_TRUE(session.faulted);
  EXPECT_EQ(session.faultCode, 0xC0000005u);
  // Only the host's SE_Exception is the line writer's to report.
  EXPECT_FALSE(Contains(R"(HostExceptionReport "SaveInUtf" 0xC0000005)"));
  EXPECT_TRUE(Contains("CommandFault 0xC0000005"));
  for (const std::string& line : Transcript()) EXPECT_EQ(line.rfind("ExceptionChanged", 0), std::string::npos) << line;
  // The pass's files were closed with the lines written so far.
  EXPECT_EQ(Read(Baza() / "umowystale.csv"), kHeaders[0].second + "\r\n");
  EXPECT_EQ(Read(Baza() / "umowy.csv"), kHeaders[1].second + "\r\n");
  EXPECT_FALSE(fs::exists(Baza() / "faktury.csv"));
  EXPECT_EQ(QelmarCounter("stateFlags") & 0x8000, 0);
  ExpectEverythingReleased();
}

// The host's SE_Exception inside the line writer: reported, then the files
// the run had open, and only those, are named to the user, in the order the
// pass opened them, before the fault goes on to the host.
TEST_F(Export, TheLineWritersFaultNamesTheFilesItCutAsTheUserSeesThem) {
  const struct {
    int call;  // the printf call that faults: the contracts' first row, the invoices' first row
    std::vector<std::string> named;
  } cases[] = {{3, {"umowystale.csv", "umowy.csv"}}, {10, {"faktury.csv", "faktury_pozycje.csv"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    fs::remove_all(Baza());
    QelmarReset();  // calls are counted from here
    LoadSample(R"({"failures": {"raise": {"function": "HostFilePrintf", "call": )" + std::to_string(c.call) +
               R"(, "as": "SE_Exception"}}})");
    const QelmarSession session = Run();
    EXPECT_TRUE(session.faulted);
    std::vector<std::string> named;
    for (const std::string& message : Messages())
      if (message.find("nie został zapisany w całości") != std::string::npos) named.push_back(message);
    std::vector<std::string> expected;
    for (const std::string& name : c.named) expected.push_back(FileMessage(name));
    EXPECT_EQ(named, expected);
    EXPECT_FALSE(Contains(FinalMessage()));
    ExpectEverythingReleased();
  }
}

TEST_F(Export, AStructuredExceptionAnywhereInTheRunReleasesEverything) {
  LoadSample();
  Run();
  const int64_t writes = QelmarCounter("printf.calls");
  ASSERT_GT(writes, 10);
  for (int64_t call = 1; call <= writes; call += 7) {
    SCOPED_TRACE(call);
    QelmarReset();  // calls are counted from here
    QelmarSetBaseDirectory(base_.c_str());
    LoadSample(R"({"failures": {"raise": {"function": "HostFilePrintf", "call": )" + std::to_string(call) + "}}}");
    const QelmarSession session = Run();
    EXPECT_TRUE(session.faulted);
    ExpectEverythingReleased();
  }
}

TEST_F(Export, GoodsWithIdsAbove32767AreMarkedByTheirContractItems) {
  // Goods id 40000 prints as -25536 (16 bits printed signed), and under
  // Interkam its contract item still brings it into magazyn.csv.
  std::ifstream in(DRAVENHOL_SAMPLE);
  nlohmann::json fixture = nlohmann::json::parse(in);
  fixture["tables"]["k9"].push_back({{"name", "Kabel sieciowy"}, {"@1022/u16", 40000}});
  fixture["contractItems"]["501"].push_back({{"name", "Kabel sieciowy"}, {"@418/u16", 40000}});
  for (auto& [warehouse, goods] : fixture["warehouseGoods"].items())
    goods.push_back(fixture["tables"]["k9"].size() - 1);
  fixture["host"]["dialog"] = "interkam";
  const std::string text = fixture.dump();
  char error[512] = {};
  ASSERT_EQ(QelmarLoadFixture(text.data(), text.size(), error, sizeof error), 0) << error;
  Run();
  EXPECT_NE(Read(Baza() / "umowy.csv").find("\r\n501;'UM/1/2024';-25536;'Kabel sieciowy';"), std::string::npos);
  EXPECT_NE(Read(Baza() / "magazyn.csv").find("\r\n-25536;"), std::string::npos);
}

// The id of the first data line of a file of the last run.
std::string FirstId(const std::string& text) {
  const std::size_t start = text.find("\r\n") + 2;
  return text.substr(start, text.find(';', start) - start);
}

TEST_F(Export, AMissingItemFileIsReportedAndTheRunGoesOn) {
  LoadSample();
  Run();
  const std::string invoice = FirstId(Read(Baza() / "faktury.csv"));
  const std::string before = Read(Baza() / "faktury_pozycje.csv");
  LoadSample(R"({"failures": {"missingItemFile": {"invoices": [)" + invoice + "]}}}");
  Run();
  EXPECT_TRUE(Contains(R"(HostErrorMessage "Błąd" "Brak pliku dokumentu!" "Dravenhol")"));
  const std::string after = Read(Baza() / "faktury_pozycje.csv");
  EXPECT_EQ(after.find("\r\n" + invoice + ";"), std::string::npos);
  EXPECT_NE(before.find("\r\n" + invoice + ";"), std::string::npos);
  EXPECT_EQ(Messages().back(), FinalMessage());
  ExpectEverythingReleased();
}

TEST_F(Export, AFailedDiscountReadIsReportedOnce) {
  LoadSample(R"({"failures": {"discountRead": {"call": 1}}})");
  Run();
  int shown = 0;
  for (const std::string& message : Messages())
    if (message == R"(HostMessageBox "Uwaga" "\x01cBłąd od_fseek w EksportujRabaty!\nOperacja niekompletna!\x01")")
      ++shown;
  EXPECT_EQ(shown, 1);
  const std::string discounts = Read(Baza() / "kontrah_rabaty.csv");
  EXPECT_EQ(discounts, kHeaders[5].second + "\r\n");
  ExpectEverythingReleased();
}

}  // namespace
}  // namespace dravenhol::e2e
