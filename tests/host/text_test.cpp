// Text operations and the transcript: code pages, bounds, dates, trimming,
// comparison, and exactly how messages, the dialog and the notice are recorded.
#include "host_test.h"

namespace {

using namespace qelmar_test;

class TextTest : public HostTest {};

TEST_F(TextTest, ConversionIsBoundedAndNeverSplitsACharacter) {
  const char* mazovia = "\x9C\xA2\x86z";  // Łóąz
  char out[16];
  EXPECT_EQ(HOST(HostConvertText)(out, sizeof out, mazovia, -1, 1, 6), 7);
  EXPECT_STREQ(out, "\xC5\x81\xC3\xB3\xC4\x85z");
  EXPECT_EQ(HOST(HostConvertText)(out, 6, mazovia, -1, 1, 6), 4);  // ą would not fit whole
  EXPECT_STREQ(out, "\xC5\x81\xC3\xB3");
  EXPECT_EQ(HOST(HostConvertText)(out, sizeof out, mazovia, 2, 1, 6), 4);  // source length counts bytes
  EXPECT_EQ(HOST(HostConvertText)(out, sizeof out, "\xC5\x81\xE2\x82\xAC", -1, 6, 1), 2);
  EXPECT_STREQ(out, "\x9C?");  // € has no Mazovia code
  EXPECT_EQ(HOST(HostConvertText)(out, sizeof out, "abc", -1, 1, 9), -1);
  EXPECT_STREQ(out, "");
  out[0] = 'x';
  EXPECT_EQ(HOST(HostConvertText)(out, 1, mazovia, -1, 1, 6), 0);
  EXPECT_EQ(out[0], '\0');

  char path[260] = "C:\\Dane\\\x9C\xA2\x64\xA6";  // Łódź
  HOST(HostRecodeText)(path, path, 1, 3);
  EXPECT_STREQ(path, "C:\\Dane\\\xC5\x81\xC3\xB3\x64\xC5\xBA");  // code 3 is UTF-8 here
  char longPath[260];
  std::memset(longPath, '\x86', 259);
  longPath[259] = '\0';
  HOST(HostRecodeText)(longPath, longPath, 1, 6);
  EXPECT_EQ(std::strlen(longPath), 258u);  // 129 two-byte characters fit 260 bytes with the terminator
}

TEST_F(TextTest, CopiesDatesTrimmingAndComparison) {
  char out[8];
  EXPECT_STREQ(HOST(HostCopyTextMax)(out, "abcdefghij", 7), "abcdefg");
  EXPECT_STREQ(HOST(HostCopyTextMax)(out, "ab", 7), "ab");
  EXPECT_STREQ(HOST(HostCopyTextMax)(out, "ab", 0), "");

  char display[12];
  std::memset(display, 'x', sizeof display);
  EXPECT_STREQ(HOST(HostDateToText)(display, "20261207"), "07.12.2026");
  EXPECT_STREQ(HOST(HostDateToText)(display, "2026-1"), "00.10.2026");
  EXPECT_EQ(display[11], 'x');

  char text[] = " \t ul. Długa \t ";
  EXPECT_STREQ(HOST(HostTrimText)(text), "ul. Długa");
  char blanks[] = "   ";
  EXPECT_STREQ(HOST(HostTrimText)(blanks), "");

  EXPECT_EQ(HOST(HostCompareText)("JAN", "JAN", 0x7fffffff), 0);
  EXPECT_NE(HOST(HostCompareText)("JAN", "JAN ", 0x7fffffff), 0);
  EXPECT_LT(HOST(HostCompareText)("A", "\x9C", 0x7fffffff), 0);  // bytes compare unsigned
  EXPECT_EQ(HOST(HostCompareText)("ABC", "ABD", 2), 0);

  char* scratch = HOST(HostScratchBuffer)();
  ASSERT_NE(scratch, nullptr);
  EXPECT_EQ(scratch, HOST(HostScratchBuffer)());
  scratch[5001] = 'z';  // the buffer has exactly 5002 bytes
}

// A host may hand out a larger row buffer, and need not clear it.
TEST_F(TextTest, ScratchBufferOfAnySizeFullOfGarbage) {
  Load(R"({"host": {"scratchBufferSize": 16384, "scratchGarbage": true}})");
  char* scratch = HOST(HostScratchBuffer)();
  ASSERT_NE(scratch, nullptr);
  const std::string first(scratch, 16384);
  EXPECT_EQ(first.find('\0'), std::string::npos);  // not a byte of it terminates a text
  scratch[16383] = 'z';                            // all of it is the module's
  const std::string second(HOST(HostScratchBuffer)(), 16384);
  EXPECT_EQ(second.find('\0'), std::string::npos);
  EXPECT_NE(first, second);  // filled anew at each call
  EXPECT_NE(LoadError(R"({"host": {"scratchBufferSize": 5001}})").find("host.scratchBufferSize"), std::string::npos);
}

// A character the file system's code page lacks becomes '?' or is dropped.
TEST_F(TextTest, RecodingACharacterTheTargetLacks) {
  const struct {
    const char* settings;
    const char* utf8;  // Mazovia text as it would read in UTF-8, then recoded from UTF-8 to Mazovia
    const char* mazovia;
  } cases[] = {
      {"{}", "a\xE2\x82\xAC\xC5\x82z", "a?\x92z"},  // € has no Mazovia code
      {R"({"recodeMissing": "question"})", "a\xE2\x82\xAC\xC5\x82z", "a?\x92z"},
      {R"({"recodeMissing": "drop"})", "a\xE2\x82\xAC\xC5\x82z", "a\x92z"},
      {R"({"recodeMissing": "drop"})", "a?b", "a?b"},  // a question mark of the text stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    QelmarReset();
    Load(std::string(R"({"host": )") + c.settings + "}");
    char text[260];
    std::snprintf(text, sizeof text, "%s", c.utf8);
    HOST(HostRecodeText)(text, text, 6, 1);
    EXPECT_STREQ(text, c.mazovia);
  }
  EXPECT_NE(LoadError(R"({"host": {"recodeMissing": "keep"}})").find("expected one of"), std::string::npos);
}

TEST_F(TextTest, MessagesAreTranscribedInUtf8WithEscapes) {
  HOST(HostMessageBox)
  ("Uwaga",
   "B\x92\xA5"
   "d \"x\"\\y\n\tz\x01\x02\x05\x7F",
   1);
  EXPECT_EQ(LastLine(), R"(HostMessageBox "Uwaga" "BłŃd \"x\"\\y\n\tz\x01\x02\x05)"
                        "\x7F\"");
  HOST(HostMessageBoxFormat)(nullptr, "Uwaga", "Pliki uworzono w katalogu:\n%s", 1, "C:\\Dane\\BAZA");
  EXPECT_EQ(LastLine(), R"(HostMessageBoxFormat "Uwaga" "Pliki uworzono w katalogu:\nC:\\Dane\\BAZA")");
  HOST(HostAlertBox)
  (15000, "STOP!!!", "cech 0x%08X, %s", 0xF001, 0x6E2E, 4u,
   "\x02"
   "Dravenhol"
   "\x01");
  EXPECT_EQ(LastLine(), R"(HostAlertBox "STOP!!!" "cech 0x00000004, \x02Dravenhol\x01")");
  HOST(HostErrorMessage)
  ("B\x92\x86"
   "d",
   "Brak pliku dokumentu!", 1, "Dravenhol");
  EXPECT_EQ(LastLine(), R"(HostErrorMessage "Błąd" "Brak pliku dokumentu!" "Dravenhol")");
  HOST(HostShowError)("Operacja konwersji nieudana");
  EXPECT_EQ(LastLine(), R"(HostShowError "Operacja konwersji nieudana")");
  EXPECT_EQ(QelmarCounter("messages"), 5);

  std::string huge(20000, 'a');
  HOST(HostMessageBoxFormat)(nullptr, "T", "%s", 1, huge.c_str());
  EXPECT_EQ(LastLine().size(), std::string("HostMessageBoxFormat \"T\" \"\"").size() + 8191);
}

TEST_F(TextTest, DialogAnswersAndTemplateCopy) {
  // Length of the rest, header to byte 28, the title, then one byte more.
  unsigned char tpl[48] = {};
  const uint32_t rest = 44;
  std::memcpy(tpl, &rest, 4);
  std::memcpy(tpl + 28,
              "Jak wysy\x92"
              "a\x8D",
              12);  // the title and its terminator
  tpl[47] = 0x5A;
  int32_t data = 7;
  EXPECT_EQ(HOST(HostRunDialog)(tpl, 21135, &data, 0), 0x5001);
  EXPECT_EQ(data, 0);
  EXPECT_EQ(LastLine(), "HostRunDialog 21135 \"Jak wysyłać\" universal");
  unsigned char copy[64];
  ASSERT_EQ(QelmarDialogTemplate(copy, sizeof copy), 48u);
  EXPECT_EQ(std::memcmp(copy, tpl, 48), 0);

  ASSERT_EQ(QelmarConfigure(R"({"dialog": "interkam"})", nullptr, 0), 0);
  EXPECT_EQ(HOST(HostRunDialog)(tpl, 21135, &data, 0), 0x5001);
  EXPECT_EQ(data, 1);
  ASSERT_EQ(QelmarConfigure(R"({"dialog": "cancel"})", nullptr, 0), 0);
  data = 9;
  EXPECT_EQ(HOST(HostRunDialog)(tpl, 21135, &data, 0), 0x5002);
  EXPECT_EQ(data, 9);
  EXPECT_EQ(LastLine(), "HostRunDialog 21135 \"Jak wysyłać\" cancel");
}

TEST_F(TextTest, NoticeRegistrationAndCallback) {
  Load(R"({"host": {"noticeAnswer": 3}})");
  int16_t flag = 0;
  HOST(HostNoticeBox)(0x684, &flag, 0, "Zainstalowano wtyczk\x91");
  EXPECT_EQ(flag, 3);
  EXPECT_EQ(LastLine(), "HostNoticeBox \"Zainstalowano wtyczkę\"");

  static const dravenhol::CommandRecord command = {0x43080000, "Dravenhol", 31053, nullptr, 0};
  HOST(HostRegisterCommand)(&command);
  EXPECT_EQ(LastLine(), "HostRegisterCommand 31053 \"Dravenhol\"");
  QelmarCommand copy{};
  ASSERT_EQ(QelmarRegisteredCommand(&copy), 1);
  EXPECT_EQ(copy.flags, 0x43080000u);
  EXPECT_EQ(copy.command, 31053u);
  EXPECT_STREQ(copy.title, "Dravenhol");
  HOST(HostUnregisterCommand)(31053);
  EXPECT_EQ(LastLine(), "HostUnregisterCommand 31053");
  EXPECT_EQ(QelmarRegisteredCommand(&copy), 0);

  auto callback = Bind<dravenhol::HostCallback>(30006);
  ASSERT_NE(callback, nullptr);
  callback(1, -1);
  EXPECT_EQ(LastLine(), "HostCallback 1 -1");
}

TEST_F(TextTest, MissingFunctionsAreWithdrawnFromTheExportTable) {
  Load(R"({"host": {"missingFunctions": [52082, 38511]}})");
  QelmarApplyExports();
  EXPECT_EQ(Bind<void*>(52082), nullptr);
  EXPECT_EQ(Bind<void*>(38511), nullptr);
  EXPECT_NE(Bind<void*>(52081), nullptr);
  QelmarReset();
  QelmarApplyExports();
  EXPECT_NE(Bind<void*>(52082), nullptr);
}

}  // namespace
