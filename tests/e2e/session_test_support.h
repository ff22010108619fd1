// Sessions of the real module with the replacement host, the way the host
// program runs them: the tests read the transcript, the files and the host's
// counters.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host/host_types.h"
#include "qelmar/qelmar.h"

namespace dravenhol::e2e {

namespace fs = std::filesystem;

// The module's description as the transcript shows it.
inline const std::string kDescription = R"(\x02Dravenhol\x01\nMiesiące->Export,import->Export do innych...)";

// The eight output files, from the module's table of output files.
#define OUTPUT_FILE(name, ...) name,
inline const std::vector<std::string> kOutputFiles = {
#include "export/output_files.inc"
};
#undef OUTPUT_FILE

// The eight files with their header lines, as the files' format gives them.
inline const std::vector<std::pair<std::string, std::string>> kHeaders = {
    {"umowystale.csv",
     "IdUmowyStalej;Zawieszone;TypDokumentu;Czestotliwosc;IdUmowy;IdKontrahent;Opis;SposobPlatnosci;TerminPlatnosci;"
     "DzienNaliczania;UmowaStart;UmowaKoniec;DataUtworzeniaUmowy;IdUseraTworzacego"},
    {"umowy.csv", "IdUmowy;NrUmowy;IdTowaru;NazwaTowaru;WartoscBrutto;StawkaVAT"},
    {"faktury.csv",
     "IdFaktury;NrFaktury;idKlient;TypDokumentu;DataSprzedazy;DataWystawienia;Zaplacono;TerminPlatnosci;Bruttorazem;"
     "Nettorazem;VATrazem;Brutto_23;Netto_23;VAT_23;Brutto_8;Netto_8;VAT_8;Brutto_0;Brutto_zw;Uwagi;"
     "IdUseraTworzacego;DataZaplaty;IdKontrahent"},
    {"faktury_pozycje.csv", "IdFaktury;NazwaTowaru;CenaBrutto;StawkaVat"},
    {"kontrahenci.csv",
     "idKlient;Imie;Nazwisko;Pesel;Nip;Regon;NrDowodu;Telefon;TelKom;Email;Miasto;Ulica;NrDomu;NrMieszkania;"
     "KodPocztowy;KorMiasto;KorUlica;KorNrDomu;KorNrMieszkania;KorKodPocztowy;NrKonta;Saldo;ScanLink;Status;"
     "DataUtworzenia;OsobaTworzaca;IdKontrahent"},
    {"kontrah_rabaty.csv", "idKlient;Symbol;Nip;NazwaGrupy;NrGrupy;RabatProc;RabatKwot;Cena"},
    {"magazyn.csv",
     "IdTowaru;Magazyn;NazwaTowaru;SymbolTowaru;IndeksPLU;Stan il.;CenaZakN;CenaBrutto1;CenaNetto1;CenaNetto2;VAT;"
     "JednostkaMiary;Symbol dost;Nazwa skr;Grupa tow.;PKWiU;Opis;Download;Upload"},
    {"uzytkownicy.csv", "idUser;Imie;Nazwisko;NazwaUzytkownika;Status;DataUtworzenia"},
};

// The base name of the module as its messages name it.
inline std::string ModuleBaseName() { return fs::path(DRAVENHOL_MODULE).filename().string(); }

// Every host object and buffer that a run takes is given back.
inline void ExpectEverythingReleased() {
  for (const char* live : {"cursor.live", "alloc.live", "itemFile.live", "items.live", "guard.depth", "stream.live"})
    EXPECT_EQ(QelmarCounter(live), 0) << live;
  EXPECT_EQ(QelmarCounter("dialogBase.construct"), QelmarCounter("dialogBase.destroy"));
  EXPECT_EQ(QelmarCounter("holder.init"), QelmarCounter("holder.destroy"));
  EXPECT_EQ(QelmarCounter("guard.mismatch"), 0);
  EXPECT_EQ(QelmarCounter("dialogBase.virtualTableMismatch"), 0);
  EXPECT_EQ(QelmarCounter("dialogBase.slots"), 34 * QelmarCounter("dialogBase.destroy"));
  EXPECT_EQ(QelmarCounter("free.invalid"), 0);
}

inline std::string FileMessage(const std::string& name) {
  return R"(HostMessageBoxFormat "Uwaga" "Plik BAZA\\)" + name +
         R"( nie został zapisany w całości.\nOperacja niekompletna!")";
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QelmarReset();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = fs::temp_directory_path() /
            ("dravenhol-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(base_);
    fs::create_directories(base_);
    QelmarSetBaseDirectory(base_.c_str());
  }
  void TearDown() override { fs::remove_all(base_); }

  // The bundled sample with host settings merged in (JSON object text).
  void LoadSample(const std::string& host = "{}") {
    char error[512] = {};
    ASSERT_EQ(QelmarLoadFixtureFile(DRAVENHOL_SAMPLE, error, sizeof error), 0) << error;
    ASSERT_EQ(QelmarConfigure(host.c_str(), error, sizeof error), 0) << error;
  }

  QelmarSession Run() {
    QelmarTranscriptClear();
    QelmarSession session{};
    EXPECT_EQ(QelmarRunSession(DRAVENHOL_MODULE, &session), 0);
    return session;
  }

  static std::vector<std::string> Transcript() {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < QelmarTranscriptCount(); ++i) lines.emplace_back(QelmarTranscriptLine(i));
    return lines;
  }

  // The lines of messages the user saw (alerts, boxes, errors, notices).
  static std::vector<std::string> Messages() {
    std::vector<std::string> messages;
    for (const std::string& line : Transcript())
      for (const char* kind : {"HostAlertBox ", "HostMessageBox ", "HostMessageBoxFormat ", "HostErrorMessage ",
                               "HostShowError ", "HostNoticeBox "})
        if (line.rfind(kind, 0) == 0) messages.push_back(line);
    return messages;
  }

  static bool Contains(const std::string& line) {
    for (const std::string& l : Transcript())
      if (l == line) return true;
    return false;
  }

  fs::path Baza() const { return base_ / "BAZA"; }

  std::string Read(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string FinalMessage() const {
    return R"(HostMessageBoxFormat "Uwaga" "Pliki uworzono w katalogu:\n)" + Escaped(base_.string()) + R"(\\BAZA")";
  }

  static std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  static std::string Stop(const std::string& text) { return R"(HostAlertBox "STOP!!!" ")" + text + "\""; }

  // The last run's state as the lock file beside BAZA holds it.
  struct RunRecord {
    struct File {
      int64_t lines = -1;
      int64_t bytes = -1;
      std::string state;
    };
    std::string state;
    std::map<std::string, File> files;
  };
  RunRecord ReadRunRecord() const {
    RunRecord record;
    std::ifstream in(base_ / "BAZA.lck", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("state ", 0) == 0) record.state = line.substr(6);
      char name[64] = {}, state[32] = {};
      long long lines = 0, bytes = 0;
      if (std::sscanf(line.c_str(), "file %63s lines %lld bytes %lld %31s", name, &lines, &bytes, state) == 4)
        record.files[name] = RunRecord::File{lines, bytes, state};
    }
    return record;
  }

  fs::path base_;
};

}  // namespace dravenhol::e2e
