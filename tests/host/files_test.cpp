// Files as the module uses them: text-mode output with CR LF, injected open,
// write, close and structured-exception failures, the settings store, paths.
#include <cstdarg>
#include <vector>

#include "host_test.h"

namespace {

using namespace qelmar_test;

class FilesTest : public HostTest {
 protected:
  // The path of name under the base directory in host code 3 (the file system's).
  std::string Path(const std::string& name) { return base_.string() + "\\" + name; }

  int16_t Ini(int32_t operation, const char* key, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int16_t result = HOST(HostIniAccess)("WtyczkiG.ini", operation, "Dravenhol", key, format, arguments);
    va_end(arguments);
    return result;
  }
};

TEST_F(FilesTest, TextModeWritesEveryLineFeedAsCrLf) {
  std::filesystem::create_directories(base_ / "BAZA");
  dravenhol::HostStream* stream = HOST(HostFileOpenShared)(Path("BAZA\\a.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "Id;Nazwa"), 9);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", ""), 1);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%d;%s\n", 7, "\xC5\x82"), 5);
  EXPECT_EQ(HOST(HostFileClose)(stream), 0);  // the module closes through the host
  EXPECT_EQ(ReadFile(base_ / "BAZA" / "a.csv"), "Id;Nazwa\r\n\r\n7;\xC5\x82\r\n");
  EXPECT_EQ(QelmarCounter("stream.live"), 0);
  EXPECT_EQ(HOST(HostFileClose)(stream), EOF);  // a stream closed already is left alone

  // Opening again replaces the content.
  stream = HOST(HostFileOpenShared)(Path("BAZA\\a.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFileClose)(stream), 0);
  EXPECT_EQ(ReadFile(base_ / "BAZA" / "a.csv"), "");
}

TEST_F(FilesTest, InjectedOpenWriteAndCloseFailures) {
  Load(R"({"host": {"failures": {"openOutput": ["BAZA\\faktury.csv"], "closeOutput": ["BAZA\\umowy.csv"],
                                 "write": {"from": 3}}}})");
  std::filesystem::create_directories(base_ / "BAZA");
  EXPECT_EQ(HOST(HostFileOpenShared)(Path("BAZA\\faktury.csv").c_str(), "wt", 0x40, 0, -1), nullptr);
  dravenhol::HostStream* other = HOST(HostFileOpenShared)(Path("BAZA\\xfaktury.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(other, nullptr);  // a name merely ending the same way opens
  dravenhol::HostStream* stream = HOST(HostFileOpenShared)(Path("BAZA\\umowy.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "1"), 2);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "2"), 2);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "3"), -1);  // the disk is full from the third call on
  EXPECT_EQ(HOST(HostFilePrintf)(other, "%s\n", "4"), -1);
  EXPECT_EQ(HOST(HostFileClose)(stream), EOF);
  EXPECT_EQ(HOST(HostFileClose)(other), 0);
  EXPECT_EQ(ReadFile(base_ / "BAZA" / "umowy.csv"), "1\r\n");  // the failed close lost the last line

  // A file that cannot be created (read-only) fails for real.
  std::ofstream(base_ / "BAZA" / "ro.csv") << "x";
  std::filesystem::permissions(base_ / "BAZA" / "ro.csv", std::filesystem::perms::owner_read);
  if (std::ofstream(base_ / "BAZA" / "ro.csv", std::ios::app).fail()) {  // unless the user may override it
    EXPECT_EQ(HOST(HostFileOpenShared)(Path("BAZA\\ro.csv").c_str(), "wt", 0x40, 0, -1), nullptr);
  }
}

#ifndef _WIN32
TEST_F(FilesTest, LineWriterRaisesAStructuredExceptionAtTheNthCall) {
  Load(R"({"host": {"failures": {"raise": {"function": "HostFilePrintf", "call": 2}}}})");
  dravenhol::HostStream* stream = HOST(HostFileOpenShared)(Path("x.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "a"), 2);
  EXPECT_EQ(FaultOf([&] { HOST(HostFilePrintf)(stream, "%s\n", "b"); }), 0xC0000005u);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "c"), 2);
  HOST(HostFileClose)(stream);
  EXPECT_EQ(ReadFile(base_ / "x.csv"), "a\r\nc\r\n");

  auto report = HOST(HostExceptionReporter)();
  report("SaveInUtf", 0xC0000005u, nullptr, nullptr);  // without the exception's record
  EXPECT_EQ(QelmarTranscriptLine(QelmarTranscriptCount() - 2),
            std::string("HostExceptionReport \"SaveInUtf\" 0xC0000005"));
  EXPECT_EQ(LastLine(), "HostExceptionReportInformationChanged");
}
#endif

// What reaches the disk when a close fails or someone cuts the file at its
// close: what the module can only see on the disk, through the file's size.
TEST_F(FilesTest, ClosesThatLoseDataLoseItOnTheDisk) {
  struct Case {
    const char* failures;
    std::vector<const char*> lines;
    int32_t result;
    const char* content;
  };
  const std::vector<Case> cases = {
      {"{}", {"a", "bc", "d"}, 0, "a\r\nbc\r\nd\r\n"},
      {R"({"closeOutput": ["BAZA/f.csv"]})", {"a", "bc", "d"}, EOF, "a\r\nbc\r\n"},
      {R"({"closeOutput": "BAZA\\f.csv"})", {"Id;Nazwa"}, EOF, ""},
      {R"({"closeOutput": {"call": 1}})", {"a", "bc"}, EOF, "a\r\n"},
      {R"({"closeOutput": ["BAZA/f.csv"]})", {}, EOF, ""},
      {R"({"closeOutput": ["BAZA/g.csv"]})", {"a"}, 0, "a\r\n"},
      {R"({"cutFiles": ["BAZA/f.csv"]})", {"a", "bc", "d"}, 0, "a\r\nbc"},  // 11 bytes cut to 5
      {R"({"cutFiles": "BAZA/f.csv"})", {"x"}, 0, "x"},
      {R"({"cutFiles": ["f.csv"]})", {}, 0, ""},
  };
  std::filesystem::create_directories(base_ / "BAZA");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failures);
    QelmarReset();
    Load(std::string(R"({"host": {"failures": )") + c.failures + "}}");
    dravenhol::HostStream* stream = HOST(HostFileOpenShared)(Path("BAZA\\f.csv").c_str(), "wt", 0x40, 0, -1);
    ASSERT_NE(stream, nullptr);
    for (const char* line : c.lines) HOST(HostFilePrintf)(stream, "%s\n", line);
    EXPECT_EQ(HOST(HostFileClose)(stream), c.result);
    EXPECT_EQ(ReadFile(base_ / "BAZA" / "f.csv"), c.content);
    EXPECT_EQ(QelmarCounter("stream.live"), 0);
    EXPECT_EQ(QelmarCounter("inject.closeOutput.calls"), 1);
  }
  EXPECT_NE(LoadError(R"({"host": {"failures": {"cutFiles": 3}}})").find("host.failures.cutFiles"), std::string::npos);
}

// A host hands out streams of its own C runtime: only its own functions
// close them. A stream closed by anyone else stays open as far as the host
// knows (on Windows it would be, in another runtime's tables).
TEST_F(FilesTest, OnlyTheHostClosesItsStreams) {
  dravenhol::HostStream* stream = HOST(HostFileOpenShared)(Path("own.csv").c_str(), "wt", 0x40, 0, -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(HOST(HostFilePrintf)(stream, "%s\n", "a"), 2);
#ifndef _WIN32
  // One C library on Linux: the file is closed, but not by the host.
  std::fclose(reinterpret_cast<std::FILE*>(stream));
  EXPECT_EQ(QelmarCounter("stream.live"), 1);
  EXPECT_EQ(QelmarCounter("stream.close"), 0);
#else
  EXPECT_EQ(HOST(HostFileClose)(stream), 0);
#endif
  char error[256];
  EXPECT_EQ(QelmarConfigure(R"({"streamRuntime": "msvcr90"})", error, sizeof error), -1);
  EXPECT_STREQ(error, "host.streamRuntime: expected one of \"ucrtbase\", \"msvcr100\", \"msvcrt\"");
  for (const char* runtime : {"ucrtbase", "msvcr100", "msvcrt"})
    EXPECT_EQ(QelmarConfigure((std::string(R"({"streamRuntime": ")") + runtime + "\"}").c_str(), error, sizeof error),
              0)
        << runtime << ": " << error;
}

TEST_F(FilesTest, SettingsAreReadAndWrittenInTheBaseDirectory) {
  int value = -1;
  EXPECT_NE(Ini(8, "Pytaj", "%d", &value), 0);  // no file yet
  EXPECT_EQ(value, -1);
  EXPECT_EQ(Ini(9, "Pytaj", "%d", 1), 0);
  EXPECT_EQ(ReadFile(base_ / "WtyczkiG.ini"), "[Dravenhol]\r\nPytaj=1\r\n");
  EXPECT_EQ(Ini(8, "pytaj", "%d", &value), 0);
  EXPECT_EQ(value, 1);

  std::ofstream(base_ / "WtyczkiG.ini", std::ios::binary)
      << "[Inna]\nPytaj=7\n\n[DRAVENHOL]\nKolor=2\nPytaj=65536\n\n[Ostatnia]\nx=1\n";
  EXPECT_EQ(Ini(8, "Pytaj", "%d", &value), 0);
  EXPECT_EQ(value, 65536);
  EXPECT_NE(Ini(8, "Brak", "%d", &value), 0);
  EXPECT_EQ(Ini(9, "Pytaj", "%d", -2), 0);
  EXPECT_EQ(Ini(9, "Nowy", "%s", "tak"), 0);
  EXPECT_EQ(ReadFile(base_ / "WtyczkiG.ini"),
            "[Inna]\r\nPytaj=7\r\n\r\n[DRAVENHOL]\r\nKolor=2\r\nPytaj=-2\r\nNowy=tak\r\n\r\n[Ostatnia]\r\nx=1\r\n");
  EXPECT_EQ(Ini(7, "Pytaj", "%d", &value), -1);
}

TEST_F(FilesTest, PathsAndBaseDirectory) {
  char path[260] = "C:\\Dane";
  EXPECT_STREQ(HOST(HostPathAppend)(path, "BAZA\\faktury.csv"), "C:\\Dane\\BAZA\\faktury.csv");
  char root[260] = "C:\\";
  EXPECT_STREQ(HOST(HostPathAppend)(root, "x"), "C:\\x");
  char full[260];
  std::memset(full, 'a', 255);
  full[255] = '\0';
  HOST(HostPathAppend)(full, "BAZA\\faktury.csv");
  EXPECT_EQ(std::strlen(full), 259u);  // never past the 260 bytes of a path

  const auto polish = base_ / "Zażółć";
  std::filesystem::create_directories(polish);
  QelmarSetBaseDirectory(polish.string().c_str());
  const std::string mazovia = HOST(HostBaseDirectory)();
  EXPECT_EQ(mazovia.substr(mazovia.size() - 6), "Za\xA7\xA2\x92\x8D");
  std::ofstream(polish / "imiona.txt", std::ios::binary) << "JAN\r\n";
  char name[260];
  std::snprintf(name, sizeof name, "%s", mazovia.c_str());
  HOST(HostPathAppend)(name, "imiona.txt");
  dravenhol::HostStream* in = HOST(HostFileOpen)(name, "rt");
  ASSERT_NE(in, nullptr);
  char line[259];
  EXPECT_EQ(HOST(HostFileGets)(line, sizeof line, in), 1);
  EXPECT_STREQ(line, "JAN\r\n");  // nothing is stripped
  EXPECT_EQ(HOST(HostFileGets)(line, sizeof line, in), 0);
  EXPECT_EQ(HOST(HostFileClose)(in), 0);
  EXPECT_EQ(QelmarCounter("stream.live"), 0);
}

// The host's ways of giving its base directory and of joining a name to a
// directory, each one the module must take as it comes.
TEST_F(FilesTest, BaseDirectoryAndPathAppendVariations) {
  struct Case {
    const char* settings;
    const char* base;      // what HostBaseDirectory gives after the base directory
    const char* appended;  // "C:\\Dane" or "C:\\Dane\\" joined with "BAZA"
  };
  const std::vector<Case> cases = {
      {"{}", "", "C:\\Dane\\BAZA"},
      {R"({"baseTrailingBackslash": true})", "\\", "C:\\Dane\\BAZA"},
      {R"({"pathAppend": "concatenate"})", "", "C:\\DaneBAZA"},
      {R"({"pathAppend": "backslash", "baseSubdirectory": "Dane ½"})", "\\Dane \xAB", "C:\\Dane\\BAZA"},
      {R"({"baseSubdirectory": "x", "baseTrailingBackslash": true})", "\\x\\", "C:\\Dane\\BAZA"},
  };
  const std::string mazovia = base_.string();  // ASCII: the same in Mazovia
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    QelmarReset();
    Load(std::string(R"({"host": )") + c.settings + "}");
    EXPECT_EQ(HOST(HostBaseDirectory)(), mazovia + c.base);
    char path[260] = "C:\\Dane";
    EXPECT_STREQ(HOST(HostPathAppend)(path, "BAZA"), c.appended);
    char separated[260] = "C:\\Dane\\";
    EXPECT_STREQ(HOST(HostPathAppend)(separated, "BAZA"), "C:\\Dane\\BAZA");
  }
  EXPECT_NE(LoadError(R"({"host": {"baseSubdirectory": "a\\b"}})").find("without separators"), std::string::npos);
  EXPECT_NE(LoadError(R"({"host": {"pathAppend": "slash"}})").find("expected one of"), std::string::npos);
}

TEST_F(FilesTest, FixtureFilesAreWrittenWhenTheSessionStarts) {
  std::ofstream(base_ / "WtyczkiG.ini") << "[Dravenhol]\nPytaj=1\n";
  Load(R"({"files": {"imiona.txt": "ŁUKASZ\r\n", "WtyczkiG.ini": null}})");
  QelmarSession session{};
  EXPECT_EQ(QelmarRunSession((base_ / "no-such-module.so").string().c_str(), &session), -1);
  EXPECT_EQ(session.loaded, 0);
  EXPECT_EQ(ReadFile(base_ / "imiona.txt"), "\x9CUKASZ\r\n");
  EXPECT_FALSE(std::filesystem::exists(base_ / "WtyczkiG.ini"));
}

}  // namespace
