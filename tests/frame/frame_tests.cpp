// The module's fixed blocks byte by byte, the code page, and the texts the
// frame builds from its state.
#include <cxxabi.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "export/dialog_template.h"
#include "export/plugin.h"
#include "frame/checks.h"
#include "frame/entry_points.h"
#include "frame/frame_state.h"
#include "host/binding.h"
#include "host/mazovia.h"
#include "host/stamp.h"

using namespace dravenhol;

namespace {

std::string Bytes(const char* text) { return std::string(text); }

// The code point that glibc's code page 437 gives a byte.
char32_t Cp437(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-32LE", "CP437");
  char in[1] = {static_cast<char>(byte)};
  char32_t out = 0;
  char* inp = in;
  char* outp = reinterpret_cast<char*>(&out);
  std::size_t inLeft = 1, outLeft = sizeof out;
  iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  return out;
}

}  // namespace

TEST(Mazovia, PolishLettersSitAtTheirPositionsAndTheRestIsCodePage437) {
  const struct {
    unsigned char byte;
    char32_t letter;
  } polish[] = {{0x86, U'ą'}, {0x8D, U'ć'}, {0x91, U'ę'}, {0x92, U'ł'}, {0xA4, U'ń'}, {0xA2, U'ó'},
                {0x9E, U'ś'}, {0xA6, U'ź'}, {0xA7, U'ż'}, {0x8F, U'Ą'}, {0x95, U'Ć'}, {0x90, U'Ę'},
                {0x9C, U'Ł'}, {0xA5, U'Ń'}, {0xA3, U'Ó'}, {0x98, U'Ś'}, {0xA0, U'Ź'}, {0xA1, U'Ż'}};
  bool isPolish[256] = {};
  for (const auto& p : polish) {
    EXPECT_EQ(mazovia::ToUnicode(p.byte), p.letter) << std::hex << int(p.byte);
    EXPECT_EQ(mazovia::FromUnicode(p.letter), p.byte);
    isPolish[p.byte] = true;
  }
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (!isPolish[b]) {
      EXPECT_EQ(mazovia::ToUnicode(b), Cp437(b)) << std::hex << b;
    }
  }
  for (int b = 0; b < 0x80; ++b) EXPECT_EQ(mazovia::ToUnicode(b), char32_t(b));
}

TEST(Mazovia, LiteralsAreConvertedAtCompileTime) {
  EXPECT_EQ(Bytes(MZ("Błąd")),
            "B\x92\x86"
            "d");
  EXPECT_EQ(Bytes(MZ("Zażółć gęślą jaźń")), "Za\xA7\xA2\x92\x8D g\x91\x9El\x86 ja\xA6\xA4");
  EXPECT_EQ(Bytes(MZ("ZAŻÓŁĆ GĘŚLĄ JAŹŃ")), "ZA\xA1\xA3\x9C\x95 G\x90\x98L\x8F JA\xA0\xA5");
  EXPECT_EQ(Bytes(MZ("\x01tl18l33\x01")), "\x01tl18l33\x01");
}

TEST(FixedBlocks, PluginDescription) {
  EXPECT_EQ(Bytes(kPluginDescription),
            "\x02"
            "Dravenhol\x01\nMiesi\x86"
            "ce->Export,import->Export do innych...");
}

TEST(FixedBlocks, ModuleStampIsThreeContiguousFieldsInWritableData) {
  static_assert(offsetof(ModuleStamp, featureWord) == 0);
  static_assert(offsetof(ModuleStamp, hostModuleName) == 4);
  static_assert(offsetof(ModuleStamp, stampEntry) == 12);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(StampEntrySlot()) % alignof(void*), 0u);
  unsigned char bytes[12];
  std::memcpy(bytes, &g_moduleStamp, sizeof bytes);
  const unsigned char expected[12] = {0xFF, 0xFF, 0xFF, 0xFF, 'Q', 'E', 'L', 'M', 'A', 'R', 0, 0};
  EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof bytes));
  EXPECT_NE(g_moduleStamp.stampEntry, nullptr);
}

TEST(FixedBlocks, CommandRecord) {
  EXPECT_EQ(kCommandRecord.flags, 0x43080000u);
  EXPECT_STREQ(kCommandRecord.title, "Dravenhol");
  EXPECT_EQ(kCommandRecord.command, 31053u);
  EXPECT_EQ(kCommandRecord.handler, &ExportCommand);
  EXPECT_EQ(kCommandRecord.reserved, 0u);
}

TEST(FixedBlocks, ExportDialogTemplate) {
  // Written out from the dialog's layout: header, title, five controls.
  const unsigned char expected[208] = {204, 0, 0, 0, 200, 0, 5, 0, 0xFF, 0xFF, 0x8F, 0x52, 0, 0, 0, 0, 0, 0, 0, 0, 34,
                                       0, 9, 0, 0, 0, 0, 0, 'J', 'a', 'k', ' ', 'w', 'y', 's', 'y', 0x92, 'a', 0x8D,
                                       ' ', 'd', 'a', 'n', 'e', 0,
                                       // label
                                       3, 0, 0xFF, 0xFF, 0, 0, 0, 0, 3, 0, 2, 0, 28, 0, 1, 0, 0, 0, 0, 0, 'S', 'p', 'o',
                                       's', 0xA2, 'b', ' ', 'w', 'y', 's', 'y', 0x92, 'k', 'i', 0,
                                       // first radio button
                                       1, 0, 0xFF, 0xFF, 0x00, 0x04, 'U', 0, 3, 0, 3, 0, 28, 0, 1, 0, 0, 0, 0, 0, '~',
                                       'U', '~', 'n', 'i', 'w', 'e', 'r', 's', 'a', 'l', 'n', 'i', 'e', 0,
                                       // second radio button
                                       1, 0, 0xFF, 0xFF, 0x00, 0x04, 'I', 0, 3, 0, 4, 0, 28, 0, 1, 0, 0, 0, 0, 0, '~',
                                       'I', '~', 'n', 't', 'e', 'r', 'k', 'a', 'm', 0,
                                       // OK
                                       0, 0, 0x01, 0x50, 0, 0, 0x00, 0x86, 2, 0, 6, 0, 10, 0, 1, 0, 0, 0, 0, 0, 0x05,
                                       'F', '1', '2', 0x01, ' ', 'O', 'K', 0,
                                       // Anuluj
                                       0, 0, 0x02, 0x50, 0, 0, 0x1B, 0x00, 16, 0, 6, 0, 15, 0, 1, 0, 0, 0, 0, 0, 0x05,
                                       'E', 'S', 'C', 0x01, ' ', 'A', 'n', 'u', 'l', 'u', 'j', 0};
  ASSERT_EQ(kExportDialogTemplate.size(), sizeof expected);
  for (std::size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(kExportDialogTemplate[i], expected[i]) << i;
}

TEST(Frame, BaseNameIsTheTextAfterTheLastSeparator) {
  EXPECT_STREQ(BaseNameOf("C:\\Program\\Wtyczki\\dravenhol.dll"), "dravenhol.dll");
  EXPECT_STREQ(BaseNameOf("C:\\Program\\Wtyczki/sub/dravenhol.dll"), "dravenhol.dll");
  EXPECT_STREQ(BaseNameOf("/a/b\\c.dll"), "c.dll");
  EXPECT_STREQ(BaseNameOf("dravenhol.dll"), "dravenhol.dll");
  EXPECT_STREQ(BaseNameOf(""), "");
}

TEST(Frame, MissingFunctionReport) {
  const HostBinding saved = g_binding;
  char report[kMessageBufferSize];

  g_binding.missingCount = 0;
  EXPECT_EQ(ReportMissingHostFunctions(report), 0);
  EXPECT_STREQ(report, "");

  g_binding.missingCount = 1;
  g_binding.missingNumbers[0] = 52082;
  EXPECT_EQ(ReportMissingHostFunctions(report), 1);
  EXPECT_EQ(std::string(report), std::string("Wtyczka \"") + kPluginDescription +
                                     MZ("\" potrzebuje zaimportować\nfunkcję o numerze 52082 "
                                        "z modułu głównego,\njednak moduł główny jej nie "
                                        "posiada. Aby naprawić tę sytuację\nzainstaluj "
                                        "aktualizację programu oraz wtyczki.\n\nWTYCZKA NIE "
                                        "ZOSTANIE ZAŁADOWANA!!!\n"));

  g_binding.missingCount = 2;
  g_binding.missingNumbers[0] = 52465;
  g_binding.missingNumbers[1] = 20937;
  ReportMissingHostFunctions(report);
  EXPECT_NE(std::string(report).find("funkcje o numerach 20937, 52465 z modu"), std::string::npos) << report;
  EXPECT_NE(std::string(report).find(MZ("moduł główny ich nie")), std::string::npos);

  const uint16_t failed[8] = {41611, 20937, 52466, 30005, 38511, 20950, 52003, 40008};
  g_binding.missingCount = 10;
  std::memcpy(g_binding.missingNumbers, failed, sizeof failed);
  EXPECT_EQ(ReportMissingHostFunctions(report), 10);
  EXPECT_NE(std::string(report).find("funkcje o numerach 20937, 20950, 30005, 38511, 40008, 41611, 52003, 52466 z"),
            std::string::npos)
      << report;

  g_binding = saved;
}

TEST(FixedBlocks, VirtualTableCarriesTheTypeBeforeSlotZero) {
  const auto* type = static_cast<const std::type_info*>(kCDravenholVirtualTable[-1]);
  ASSERT_EQ(type, &typeid(CDravenhol));
  EXPECT_NE(std::string(type->name()).find("CDravenhol"), std::string::npos);
  const auto* derived = dynamic_cast<const abi::__si_class_type_info*>(type);
  ASSERT_NE(derived, nullptr);
  EXPECT_EQ(*derived->__base_type, typeid(WDialogBase));
  EXPECT_EQ(reinterpret_cast<std::ptrdiff_t>(kCDravenholVirtualTable[-2]), 0);
}
