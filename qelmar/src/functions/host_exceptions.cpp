#include "functions/host_exceptions.h"

#include <cstdio>
#include <vector>

#include "platform/host_platform.h"
#include "session/host_state.h"

namespace qelmar {

namespace {

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

const char* FormName(uint32_t form) {
  switch (form) {
    case kProbeStructured:
      return "structured";
    case kProbeSEException:
      return "SE_Exception";
    case kProbeHostError:
      return "HostError";
    case kProbeOtherCxx:
      return "other";
    default:
      return "nothing";
  }
}

// What the line writer raises after it took a fault: a bare structured
// exception of the same code.
ProbeException LineWriterRaise(uint32_t code) {
  ProbeException described{};
  described.form = kProbeStructured;
  described.code = code;
  described.recordCode = code;
  return described;
}

std::string Differences(const ProbeException& raised, const ProbeException& arrived) {
  std::vector<std::string> changes;
  const auto compare = [&](const char* what, uintptr_t a, uintptr_t b) {
    if (a != b)
      changes.push_back(std::string(what) + " " + Hex32(static_cast<uint32_t>(a)) + "->" +
                        Hex32(static_cast<uint32_t>(b)));
  };
  if (raised.form != arrived.form)
    changes.push_back(std::string("class ") + FormName(raised.form) + "->" + FormName(arrived.form));
  compare("code", raised.code, arrived.code);
  compare("information", raised.information, arrived.information);
  compare("recordCode", raised.recordCode, arrived.recordCode);
  compare("flags", raised.flags, arrived.flags);
  compare("parameters", raised.parameterCount, arrived.parameterCount);
  // For a C++ exception: the magic number, the object, the throw information.
  const char* names[4] = {"parameter0", "parameter1", "parameter2", "parameter3"};
  for (int i = 0; i < 4; ++i) compare(names[i], raised.parameters[i], arrived.parameters[i]);
  std::string text;
  for (const std::string& change : changes) text += (text.empty() ? "" : " ") + change;
  return text;
}

struct TranslatorBlock {
  uint32_t code;
  uint32_t spare;
};
TranslatorBlock g_translatorBlock;

// An exception's facts for the call log.
std::string Described(const char* what, const ProbeException& e) {
  char text[256];
  int n = std::snprintf(text, sizeof text, "%s %s code 0x%08X information 0x%08X record 0x%08X flags %u parameters %u",
                        what, FormName(e.form), e.code, static_cast<uint32_t>(e.information), e.recordCode, e.flags,
                        e.parameterCount);
  for (uint32_t i = 0; i < e.parameterCount && i < 4 && n > 0 && static_cast<std::size_t>(n) < sizeof text; ++i)
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " 0x%08X",
                       static_cast<uint32_t>(e.parameters[i]));
  return text;
}

}  // namespace

uintptr_t TranslatorInformation(uint32_t code) {
  g_translatorBlock = TranslatorBlock{code, 0};
  return reinterpret_cast<uintptr_t>(&g_translatorBlock);
}

void RecordArrival(const Host& host, const ProbeException& arrived) {
  switch (arrived.form) {
    case kProbeSEException:
    case kProbeHostError:
    case kProbeOtherCxx:
      Record(Line("CommandCaught", FormName(arrived.form), Hex32(arrived.code)));
      break;
    case kProbeStructured:
      Record(Line("CommandFault", Hex32(arrived.code)));
      break;
    default:
      break;
  }
  if (arrived.resumed != 0) Record(Line("CommandResumed", std::to_string(arrived.resumed)));
  if (CallLogOn() && host.live.lastRaise.any) {
    LogCall(Described("Raised", host.live.lastRaise.facts));
    LogCall(Described("Arrived", arrived));
  }
  if (!host.live.lastRaise.any) return;
  const ProbeException& raised = host.live.lastRaise.facts;
  const bool takenByLineWriter = host.live.lastRaise.inLineWriter && raised.form == kProbeSEException;
  ProbeException expected = takenByLineWriter ? LineWriterRaise(raised.code) : raised;
  // A resumed exception goes on where it was raised: only its record was seen.
  if (arrived.form == kProbeNothing && arrived.resumed != 0) expected.form = kProbeNothing;
  if (expected.form == kProbeNothing) {
    expected.code = arrived.code;
    expected.information = arrived.information;
  }
  if (const std::string changes = Differences(expected, arrived); !changes.empty())
    Record(Line("ExceptionChanged", changes));
}

bool ReportDescribesRaise(const Host& host, uint32_t code, const void* information) {
  if (!host.live.lastRaise.any) return true;
  const ProbeException& raised = host.live.lastRaise.facts;
  if (raised.code != code) return false;
  if (raised.form == kProbeSEException) return reinterpret_cast<uintptr_t>(information) == raised.information;
  return InformationRecords(information, raised);
}

}  // namespace qelmar
