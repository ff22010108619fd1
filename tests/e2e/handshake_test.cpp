// The handshake and the diagnosis: for each reason why host and module do not
// fit, the one "STOP!!!" message the user sees.
#include "platform/loader.h"
#include "session_test_support.h"

namespace dravenhol::e2e {
namespace {

using Handshake = SessionTest;

const std::string kMissingTail =
    R"( z modułu głównego,\njednak moduł główny %s nie posiada. Aby naprawić tę sytuację\nzainstaluj aktualizację programu oraz wtyczki.\n\nWTYCZKA NIE ZOSTANIE ZAŁADOWANA!!!\n)";

std::string MissingReport(const std::string& list, const std::string& pronoun) {
  std::string tail = kMissingTail;
  tail.replace(tail.find("%s"), 2, pronoun);
  return R"(Wtyczka \")" + kDescription + R"(\" potrzebuje zaimportować\n)" + list + tail;
}

std::string LayoutReport(const std::string& rows) {
  const std::string name = ModuleBaseName();
  return R"(Rozmiary rekordów niektórych tabel nie zgadzają się\nmiędzy programem a wtyczką ')" + kDescription +
         "' (moduł '" + name + R"('):\n\n\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n)" + rows + R"(\nModuł \x02)" +
         name + R"(\x01\nNIE zostanie załadowany!)";
}

std::string VersionsMessage() {
  const std::string name = ModuleBaseName();
  return R"(Moduł \")" + name +
         R"(\" i program występują w różnych wersjach!\n\nZostał zakualizowany tylko program albo tylko moduł,\na nie oba jednocześnie! Aby naprawić tę sytuację\nzainstaluj aktualizację programu wraz z modułem \")" +
         name + R"(\".\n\nMODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n)";
}

struct Refusal {
  const char* name;
  std::string host;     // settings merged into the sample's host section
  int handshake;        // what export 30001 returns
  std::string message;  // the text of the one message
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class Refusals : public SessionTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, ShowExactlyTheFirstReasonAndRegisterNothing) {
  const Refusal& refusal = GetParam();
  LoadSample(refusal.host);
  const QelmarSession session = Run();
  EXPECT_EQ(session.handshake, refusal.handshake);
  EXPECT_EQ(session.activation, 1);
  EXPECT_FALSE(session.commandRegistered);
  EXPECT_TRUE(Contains("HostCallback 1 -1"));
  EXPECT_EQ(Messages(), std::vector<std::string>{Stop(refusal.message)});
  EXPECT_FALSE(fs::exists(Baza()));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, Refusals,
    ::testing::Values(
        Refusal{"HostNeverSetTheFeatures", R"({"featureWord": "untouched"})", 0,
                R"(Program nie obsługuje cech 0xFFFFFFFF,\nktóre są niezbędne dla modułu ')" + kDescription + "'."},
        Refusal{"FeatureFour", R"({"featureWord": 4})", 0,
                R"(Program nie obsługuje cech 0x00000004,\nktóre są niezbędne dla modułu ')" + kDescription + "'."},
        // The handshake does not look at missing functions; a host that is asked
        // to explain names them.
        Refusal{"OneMissingFunction", R"({"missingFunctions": [52082], "activation": 1})", 0,
                MissingReport("funkcję o numerze 52082", "jej")},
        Refusal{"TwoMissingFunctionsSorted", R"({"missingFunctions": [52465, 20937], "activation": 1})", 0,
                MissingReport("funkcje o numerach 20937, 52465", "ich")},
        Refusal{"AnUncalledFunctionCountsToo", R"({"missingFunctions": [38511], "activation": 1})", 0,
                MissingReport("funkcję o numerze 38511", "jej")},
        Refusal{"TenMissingListsTheFirstEight",
                R"({"missingFunctions": [52466, 41611, 20937, 30005, 38511, 20950, 52003, 40008, 21285, 20902],)"
                R"( "activation": 1})",
                0,
                // binding looks them up in slot order: 38511 and 52466 come ninth and tenth
                MissingReport("funkcje o numerach 20902, 20937, 20950, 21285, 30005, 40008, 41611, 52003", "ich")},
        Refusal{"MissingFunctionsComeBeforeRecordLengths",
                R"({"missingFunctions": [52082], "recordLengths": {"Tspr": 1470}})", -1,
                MissingReport("funkcję o numerze 52082", "jej")},
        Refusal{"AbsentDataFile", R"({"recordLengths": {"k4_tab": "absent"}})", -1,
                LayoutReport(R"(\x01tp25p40\x01k4_tab\t11256\tbrak\n)")},
        Refusal{"OneLengthDiffers", R"({"recordLengths": {"Tspr": 1470}})", -1,
                LayoutReport(R"(\x01tp25p40\x01Tspr\t1469\t1470\n)")},
        Refusal{"LengthsInCheckOrder", R"({"recordLengths": {"Tspr": 1470, "k9": 1000, "w3": 65535}})", -1,
                LayoutReport(R"(\x01tp25p40\x01k9\t1024\t1000\n\x01tp25p40\x01w3\t216\t-1\n)"
                             R"(\x01tp25p40\x01Tspr\t1469\t1470\n)")},
        Refusal{"HostsOwnVerdict", R"({"checkModule": 1, "checkModuleText": "Wtyczka jest zablokowana."})", -1,
                "Wtyczka jest zablokowana."},
        Refusal{"OlderInterface", R"({"interfaceVersion": 111})", -1, VersionsMessage()},
        Refusal{"NewerInterface", R"({"interfaceVersion": 113})", -1, VersionsMessage()},
        Refusal{
            "NoReasonFound", R"({"activation": 1})", 0,
            R"(Moduł \")" + ModuleBaseName() + R"(\" nie został poprawnie zainicjowany,\nwięc NIE BĘDZIE AKTYWNY!)"}),
    [](const ::testing::TestParamInfo<Refusal>& test) { return std::string(test.param.name); });

TEST_F(Handshake, AcceptedHostRegistersTheCommandAndCopiesTheDescription) {
  LoadSample(R"({"dialog": "cancel"})");
  const QelmarSession session = Run();
  EXPECT_EQ(session.handshake, 0);
  EXPECT_EQ(session.activation, 0);
  EXPECT_EQ(Transcript().at(0), "Handshake 0 \"" + kDescription + "\"");
  EXPECT_TRUE(Contains(R"(HostRegisterCommand 31053 "Dravenhol")"));
  EXPECT_EQ(QelmarCounter("callback.calls"), 0);
  // The unload step: a handshake without callback withdraws the command.
  EXPECT_EQ(Transcript().back(), "HostUnregisterCommand 31053");
}

TEST_F(Handshake, ActivationRegistersEvenWhenTheHandshakeRefused) {
  LoadSample(R"({"interfaceVersion": 113, "activation": 0, "dialog": "cancel"})");
  const QelmarSession session = Run();
  EXPECT_EQ(session.handshake, -1);
  EXPECT_TRUE(session.commandRegistered);
}

TEST_F(Handshake, StampEntryResolvesItsTargetOnce) {
  LoadSample();
  void* module = nullptr;
  {
    // Load the module the way a host does; the library is already in the process.
    module = dlopen(DRAVENHOL_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr);
  }
  ASSERT_EQ(QelmarAttachModule(module), 1);
  int32_t result = 0;
  ASSERT_EQ(QelmarCallStampEntry(41, &result), 0);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(QelmarCallStampEntry(99, &result), 0);
  EXPECT_EQ(result, 100);
  EXPECT_EQ(QelmarCounter("stampTarget.calls"), 2);
  EXPECT_EQ(QelmarCounter("stampTarget.resolves"), 1);
  dlclose(module);
}

// The entry points called directly, by number, the way the host calls them.
class EntryPoints : public SessionTest {
 protected:
  using HandshakeFn = int32_t (*)(HostCallback, char*);

  void Load(const std::string& host) {
    LoadSample(host);
    QelmarApplyExports();
    module_ = dlopen(DRAVENHOL_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr);
    QelmarTranscriptClear();
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
    SessionTest::TearDown();
  }
  template <class F>
  F Export(uint16_t number) {
    return reinterpret_cast<F>(platform::ExportByNumber(module_, number));
  }
  static bool Called(const std::string& function) {
    for (std::size_t i = 0; i < QelmarCallLogCount(); ++i)
      if (std::string(QelmarCallLogLine(i)).rfind(function, 0) == 0) return true;
    return false;
  }
  static int32_t Callback(int32_t, int32_t) { return 0; }

  void* module_ = nullptr;
};

TEST_F(EntryPoints, OptionalExportsAnswerWithoutHandlers) {
  Load("{}");
  EXPECT_EQ(Export<int32_t (*)()>(30009)(), 0);
  EXPECT_EQ(Export<int32_t (*)(int32_t)>(30010)(0), static_cast<int32_t>(0xB669FD2Eu));
  EXPECT_EQ(Export<int32_t (*)(int32_t)>(30010)(-7), -1234567890);
  for (uint16_t unused = 30002; unused <= 30007; ++unused) EXPECT_EQ(Export<void*>(unused), nullptr) << unused;
}

TEST_F(EntryPoints, NullCallbackWithdrawsTheCommandAndChecksNothing) {
  Load(R"({"interfaceVersion": 113, "callLog": true})");
  char buffer[8] = "XYZ";
  EXPECT_EQ(Export<HandshakeFn>(30001)(nullptr, buffer), 0);
  EXPECT_STREQ(buffer, "XYZ");
  EXPECT_TRUE(Contains("HostUnregisterCommand 31053"));
  EXPECT_FALSE(Called("HostCheckModule") || Called("HostInterfaceVersion") || Called("HostTableByNumber"));
}

TEST_F(EntryPoints, NullBufferGetsTheSameAnswer) {
  for (const char* host : {"{}", R"({"recordLengths": {"Tspr": 1470}})", R"({"interfaceVersion": 111})"}) {
    SCOPED_TRACE(host);
    Load(host);
    char buffer[512];
    const int32_t withBuffer = Export<HandshakeFn>(30001)(&Callback, buffer);
    EXPECT_EQ(Export<HandshakeFn>(30001)(&Callback, nullptr), withBuffer);
    EXPECT_EQ(withBuffer, std::string(host) == "{}" ? 0 : -1);
    dlclose(module_);
    module_ = nullptr;
  }
}

TEST_F(EntryPoints, ChecksStopAtTheFirstFailure) {
  Load(R"({"checkModule": 1, "callLog": true})");
  EXPECT_EQ(Export<HandshakeFn>(30001)(&Callback, nullptr), -1);
  EXPECT_TRUE(Called("HostCheckModule"));
  EXPECT_FALSE(Called("HostInterfaceVersion") || Called("HostTableByNumber"));
}

}  // namespace
}  // namespace dravenhol::e2e
