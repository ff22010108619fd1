// The export driver: one run from the dialog to the final message.
#include "export/output.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "host/mazovia.h"
#include "platform/format.h"
#include "tables/contractor_record.h"
#include "tables/row_writers.h"
#include "ui/dialog_template.h"
#include "ui/plugin.h"

namespace dravenhol {

namespace {

constexpr int16_t kContractsIndex = 72;
constexpr int16_t kInvoicesIndex = 811;
constexpr int16_t kContractorsIndex = 6;
constexpr int16_t kContractorsSecondIndex = 198;
constexpr int16_t kWarehousesIndex = 3;
constexpr int16_t kGoodsIndex = 4;
constexpr int16_t kUsersIndex = 34;
constexpr double kAmountEpsilon = 0.00001;

struct HeaderedFile {
  const char* relativeName;
  const char* header;
};

constexpr HeaderedFile kStandingContracts = {
    "BAZA\\umowystale.csv",
    "IdUmowyStalej;Zawieszone;TypDokumentu;Czestotliwosc;IdUmowy;IdKontrahent;Opis;SposobPlatnosci;"
    "TerminPlatnosci;DzienNaliczania;UmowaStart;UmowaKoniec;DataUtworzeniaUmowy;IdUseraTworzacego"};
constexpr HeaderedFile kContractItems = {"BAZA\\umowy.csv",
                                         "IdUmowy;NrUmowy;IdTowaru;NazwaTowaru;WartoscBrutto;StawkaVAT"};
constexpr HeaderedFile kInvoices = {
    "BAZA\\faktury.csv",
    "IdFaktury;NrFaktury;idKlient;TypDokumentu;DataSprzedazy;DataWystawienia;Zaplacono;TerminPlatnosci;"
    "Bruttorazem;Nettorazem;VATrazem;Brutto_23;Netto_23;VAT_23;Brutto_8;Netto_8;VAT_8;Brutto_0;Brutto_zw;Uwagi;"
    "IdUseraTworzacego;DataZaplaty;IdKontrahent"};
constexpr HeaderedFile kInvoiceItems = {"BAZA\\faktury_pozycje.csv", "IdFaktury;NazwaTowaru;CenaBrutto;StawkaVat"};
constexpr HeaderedFile kContractors = {
    "BAZA\\kontrahenci.csv",
    "idKlient;Imie;Nazwisko;Pesel;Nip;Regon;NrDowodu;Telefon;TelKom;Email;Miasto;Ulica;NrDomu;NrMieszkania;"
    "KodPocztowy;KorMiasto;KorUlica;KorNrDomu;KorNrMieszkania;KorKodPocztowy;NrKonta;Saldo;ScanLink;Status;"
    "DataUtworzenia;OsobaTworzaca;IdKontrahent"};
constexpr HeaderedFile kDiscounts = {"BAZA\\kontrah_rabaty.csv",
                                     "idKlient;Symbol;Nip;NazwaGrupy;NrGrupy;RabatProc;RabatKwot;Cena"};
constexpr HeaderedFile kGoods = {
    "BAZA\\magazyn.csv",
    "IdTowaru;Magazyn;NazwaTowaru;SymbolTowaru;IndeksPLU;Stan il.;CenaZakN;CenaBrutto1;CenaNetto1;CenaNetto2;VAT;"
    "JednostkaMiary;Symbol dost;Nazwa skr;Grupa tow.;PKWiU;Opis;Download;Upload"};
constexpr HeaderedFile kUsers = {"BAZA\\uzytkownicy.csv", "idUser;Imie;Nazwisko;NazwaUzytkownika;Status;DataUtworzenia"};

void ShowOpenFailure(const char* relativeName) {
  ShowFormattedMessage(MZ("Uwaga"), MZ("Nie można otworzyć pliku: %s"), 1, relativeName);
}

void RunBody(CDravenhol* run) {
  CDravenhol& plugin = *run;
  int32_t dialogData = 0;  // the dialog always opens with the first method selected
  const int16_t answer = host::HostRunDialog(static_cast<const void*>(kExportDialogTemplate.data()),
                                             int32_t{kExportDialogNumber}, static_cast<void*>(&dialogData),
                                             int32_t{0});
  if (answer != kDialogAccepted) return;
  if (plugin.PrepareExport(static_cast<int16_t>(dialogData)) != 0) return;

  plugin.ExportTable(kContractsIndex, false);  // first: its items mark the goods
  plugin.ExportTable(kInvoicesIndex, false);
  plugin.ExportTable(kContractorsIndex, false);
  plugin.ExportTable(kContractorsIndex, true);
  plugin.ExportWarehouses();
  plugin.ExportTable(kUsersIndex, false);

  char path[kMaxPath + 5];
  if (!BaseDirectoryPath("BAZA", path, sizeof path)) {
    const char* base = host::HostBaseDirectory();
    CopyBounded(path, sizeof path, base != nullptr ? base : "");
  }
  ShowFormattedMessage(MZ("Uwaga"), "Pliki uworzono w katalogu:\n%s", 1, static_cast<const char*>(path));
}

}  // namespace

int32_t CDravenhol::RunExport() {
  CDravenhol plugin;  // closes its files and frees the marks on every way out
  RunBody(&plugin);
  return 0;
}

int32_t CDravenhol::PrepareExport(int16_t method) {
  for (int i = 0; i < kDataFileCount; ++i)
    dataFiles[i].table = host::HostTableByNumber(int32_t{kDataFiles[i].number});
  for (const DataFile& file : dataFiles) {
    if (file.table == nullptr) {
      host::HostMessageBox(MZ("Uwaga"), MZ("Błąd operacji dyskowej-Initial!\nOperacja niekompletna!"), int32_t{1});
      return 1;
    }
  }
  for (DataFile& file : dataFiles) host::HostTablePrepare(file.table, int32_t{255});
  for (DataFile& file : dataFiles) file.record = HostRecordBuffer(file.table);
  sendMethod = method;
  tabIdentyf = static_cast<int32_t*>(host::HostAllocZeroed(uint32_t{kGoodsMarkCount * sizeof(int32_t)}));
  if (tabIdentyf == nullptr) {
    host::HostMessageBox(MZ("Uwaga"), MZ("Błąd operacji na pamięci-tabIdentyf!\nOperacja niekompletna!"),
                         int32_t{1});
    return 1;
  }
  return 0;
}

void CDravenhol::ExportTable(int16_t index, bool discountsPass) {
  CursorScope cursor;
  currentIndex = index;
  if (OpenOutputFiles(discountsPass) != 0) return;
  if (discountsPass) {
    host::HostDiscountPassSetupA(int32_t{-1}, int32_t{0});
    host::HostDiscountPassSetupB(int32_t{-1});
  }
  for (;;) {
    if (cursor.Open(currentIndex)) {
      while (cursor.Next()) {
        ExportRecord(discountsPass);
        ExportDocumentItems(*this);
        if (discountsPass) EksportujRabaty(*this);
      }
    }
    cursor.Close();
    if (currentIndex != kContractorsIndex) break;
    currentIndex = kContractorsSecondIndex;  // both indexes write into the same file
  }
  CloseOutputFiles();
  currentIndex = 0;
}

int32_t CDravenhol::OpenOutputFiles(bool discountsPass) {
  const HeaderedFile* primary = nullptr;
  const HeaderedFile* secondary = nullptr;
  switch (currentIndex) {
    case kContractsIndex:
      primary = &kStandingContracts;
      secondary = &kContractItems;
      break;
    case kInvoicesIndex:
      primary = &kInvoices;
      secondary = &kInvoiceItems;
      break;
    case kContractorsIndex:
    case kContractorsSecondIndex:
      primary = discountsPass ? &kDiscounts : &kContractors;
      break;
    case kGoodsIndex:
      primary = &kGoods;
      break;
    case kUsersIndex:
      primary = &kUsers;
      break;
    default:
      return 1;
  }
  if (secondary == nullptr) host::HostHolderSet(&secondaryFile, static_cast<void*>(nullptr));
  if (!OpenOutputFile(&primaryFile, primary->relativeName)) {
    ShowOpenFailure(primary->relativeName);
    return 1;
  }
  primaryState = OutputFileState{primary->relativeName, false};
  if (secondary != nullptr) {
    if (!OpenOutputFile(&secondaryFile, secondary->relativeName)) {
      ShowOpenFailure(secondary->relativeName);
      CloseOutputFiles();  // the first file stays empty
      return 1;
    }
    secondaryState = OutputFileState{secondary->relativeName, false};
  }
  WritePrimary(primary->header, kShortLineCapacity);
  if (secondary != nullptr) WriteSecondary(secondary->header, kShortLineCapacity);
  return 0;
}

void CDravenhol::ExportRecord(bool discountsPass) {
  bool passes = false;
  char* (*writer)(CDravenhol&, char*) = nullptr;
  switch (currentIndex) {
    case kContractsIndex:
      passes = sendMethod == kInterkam && Record(kUmst).I32(854) != 0;
      writer = &WriteStandingContractRow;
      break;
    case kInvoicesIndex:
      passes = Record(kTspr).I32(1465) != 0;
      writer = &WriteInvoiceRow;
      break;
    case kContractorsIndex:
    case kContractorsSecondIndex: {
      if (discountsPass) return;
      const RecordView contractor = Record(kK4);
      if (sendMethod == kInterkam) {
        const unsigned char first = contractor.Byte(kK4Symbol);
        const double amount = contractor.F64(kK4FilterAmount);
        passes = first >= '0' && first <= '9' && (amount <= -kAmountEpsilon || amount >= kAmountEpsilon);
      } else {
        passes = contractor.I32(kK4Id) != 0;
      }
      writer = &FormatContractorRow;
      break;
    }
    case kGoodsIndex: {
      // Marks are kept by the 16 bits read without sign (see the contract items).
      const uint16_t id = Record(kK9).U16(1022);
      passes = id != 0;
      if (passes && sendMethod == kInterkam)
        passes = id >= 1 && id < kGoodsMarkCount && tabIdentyf != nullptr && tabIdentyf[id] != 0;
      writer = &WriteGoodsRow;
      break;
    }
    case kUsersIndex: {
      const RecordView user = Record(kH1);
      passes = user.Byte(4) != 0 || user.Byte(35) != 0 || user.Byte(40) != 0;
      writer = &WriteUserRow;
      break;
    }
    default:
      return;
  }
  if (!passes) return;
  char* row = host::HostScratchBuffer();
  if (row == nullptr) return;
  // A row that does not fit its line is not written (its writer told the user).
  if (const char* line = writer(*this, row); line != nullptr) WritePrimary(line, kRowCapacity);
}

void CDravenhol::ExportWarehouses() {
  CursorScope cursor;
  currentIndex = kGoodsIndex;
  if (OpenOutputFiles(false) != 0) return;
  host::HostMakeDataName(int32_t{kWarehousesIndex}, static_cast<void*>(cursor.key()), "MMM", ".UNR",
                         int32_t{117});
  if (cursor.OpenPrepared(dataFiles[kW3].table, kWarehousesIndex)) {
    while (cursor.Next()) {
      const RecordView warehouse = Record(kW3);
      if (warehouse.Byte(4) == 0) continue;
      if (int16_t* current = host::HostCurrentWarehouse(); current != nullptr) *current = warehouse.I16(2);
      ExportWarehouseGoods();
    }
  }
  cursor.Close();
  CloseOutputFiles();
  currentIndex = 0;
}

void CDravenhol::ExportWarehouseGoods() {
  CursorScope cursor;
  if (cursor.Open(kGoodsIndex))
    while (cursor.Next()) ExportRecord(false);
  cursor.Close();
}

}  // namespace dravenhol
