#include "config/host_settings.h"

#include <cctype>
#include <initializer_list>
#include <span>

#include "platform/host_platform.h"

namespace qelmar {

using namespace json_reading;

namespace {

// true (every call), n or {"call": n} (the nth call only), {"from": n,
// "count": k} (k calls from the nth; without count, all from the nth).
CallFailure ReadCallFailure(const Json& value, const std::string& where) {
  CallFailure failure;
  if (value.is_boolean()) {
    failure.from = value.get<bool>() ? 1 : 0;
  } else if (value.is_object()) {
    for (const auto& [key, item] : value.items())
      if (!IsComment(key) && key != "call" && key != "from" && key != "count")
        Fail(where + "." + key, "expected \"call\", \"from\" or \"count\"");
    if (value.contains("call")) {
      if (value.contains("from") || value.contains("count"))
        Fail(where, "\"call\" goes without \"from\" and \"count\"");
      failure.from = Integer(value["call"], where + ".call", 1, INT64_MAX);
      failure.count = 1;
      return failure;
    }
    failure.from = value.contains("from") ? Integer(value["from"], where + ".from", 1, INT64_MAX) : 1;
    if (value.contains("count")) failure.count = Integer(value["count"], where + ".count", 1, INT64_MAX);
  } else {
    failure.from = Integer(value, where, 1, INT64_MAX);
    failure.count = 1;
  }
  return failure;
}

std::string RelativeName(const Json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "expected a relative file name");
  std::string name = value.get<std::string>();
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

// A host function by its catalogue name or its number.
int HostFunction(const Json& value, const std::string& where) {
  const int slot = value.is_string() ? HostSlotByName(value.get<std::string>()) : -1;
  if (slot >= 0) return slot;
  if (value.is_string() && !value.get<std::string>().empty() &&
      std::isalpha(static_cast<unsigned char>(value.get<std::string>()[0])))
    Fail(where, "no host function \"" + value.get<std::string>() + "\"");
  const int64_t number = Integer(value, where, 1, 65535);
  const int byNumber = HostSlotByNumber(number);
  if (byNumber < 0) Fail(where, "no host function number " + std::to_string(number));
  return byNumber;
}

uint32_t RaiseForm(const Json& value, const std::string& where) {
  const std::string form = value.is_string() ? value.get<std::string>() : "";
  if (form == "structured") return kProbeStructured;
  if (form == "SE_Exception") return kProbeSEException;
  if (form == "HostError") return kProbeHostError;
  Fail(where, "expected \"structured\", \"SE_Exception\" or \"HostError\"");
}

// One structured exception per host function: a later one replaces it, call 0
// removes it.
void SetRaise(HostConfig& config, const RaiseAt& raise) {
  std::erase_if(config.raises, [&](const RaiseAt& r) { return r.slot == raise.slot; });
  if (raise.call > 0) config.raises.push_back(raise);
}

// {"function": name or number, "call": n, "code": c, "as": form}; call 1,
// code 0xC0000005 and a structured exception unless given.
void ReadRaise(const Json& value, const std::string& where, HostConfig& config) {
  Object(value, where, "expected {\"function\": name or number, \"call\": n, \"code\": c, \"as\": form}");
  RaiseAt raise;
  for (const auto& [key, item] : value.items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    if (key == "function")
      raise.slot = HostFunction(item, at);
    else if (key == "call")
      raise.call = Integer(item, at, 0, INT64_MAX);
    else if (key == "code")
      raise.code = static_cast<uint32_t>(Integer(item, at, 0, UINT32_MAX));
    else if (key == "as")
      raise.form = RaiseForm(item, at);
    else
      Fail(at, "expected \"function\", \"call\", \"code\" or \"as\"");
  }
  if (raise.slot < 0) Fail(where, "names no \"function\"");
  if (!value.contains("call")) raise.call = 1;
  SetRaise(config, raise);
}

// One of the names given, as a text.
std::string OneOf(const Json& value, const std::string& where, std::span<const char* const> names) {
  std::string expected;
  for (const char* name : names) {
    if (value.is_string() && value.get<std::string>() == name) return name;
    expected += (expected.empty() ? "\"" : ", \"") + std::string(name) + "\"";
  }
  Fail(where, "expected one of " + expected);
}
std::string OneOf(const Json& value, const std::string& where, std::initializer_list<const char*> names) {
  return OneOf(value, where, std::span<const char* const>(names.begin(), names.size()));
}

int InjectionByName(const std::string& name) {
  for (int kind = 0; kind < kInjectionCount; ++kind)
    if (name == InjectionName(kind)) return kind;
  return -1;
}

void ReadFailures(const Json& failures, HostConfig& config) {
  const std::string where = "host.failures";
  Object(failures, where);
  for (const auto& [key, value] : failures.items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    const int kind = InjectionByName(key);
    if (((key == "openOutput" || key == "closeOutput") && (value.is_array() || value.is_string())) ||
        key == "cutFiles") {
      auto& names = key == "openOutput"    ? config.openFailures
                    : key == "closeOutput" ? config.closeFailures
                                           : config.cutFiles;
      names.clear();
      if (!value.is_string() && !value.is_array()) Fail(at, "expected a relative file name or a list of them");
      if (value.is_string()) names.push_back(RelativeName(value, at));
      for (std::size_t i = 0; i < value.size() && value.is_array(); ++i)
        names.push_back(RelativeName(value[i], at + "[" + std::to_string(i) + "]"));
    } else if (kind >= 0) {
      config.injections[kind] = ReadCallFailure(value, at);
    } else if (key == "missingItemFile") {
      for (const auto& [documents, ids] :
           Object(value, at, "expected {\"invoices\": [...], \"contracts\": [...]}").items()) {
        if (IsComment(documents)) continue;
        const std::string list = at + "." + documents;
        if (documents != "invoices" && documents != "contracts") Fail(list, "expected \"invoices\" or \"contracts\"");
        auto& set = documents == "invoices" ? config.missingInvoiceItemFiles : config.missingContractItemFiles;
        set.clear();
        for (const auto& id : List(ids, list, "expected a list of document ids"))
          set.insert(static_cast<int32_t>(Integer(id, list, INT32_MIN, INT32_MAX)));
      }
    } else if (key == "discountFileMissing") {
      config.discountFileMissing = Bool(value, at);
    } else if (key == "raise") {
      if (value.is_array())
        for (std::size_t i = 0; i < value.size(); ++i) ReadRaise(value[i], at + "[" + std::to_string(i) + "]", config);
      else
        ReadRaise(value, at, config);
    } else {
      Fail(at, "unknown failure");
    }
  }
}

// {"HostHolderApply": 7, "HostFilePrintf": 0}: what those functions give
// whatever really happened; null or "real" gives the real result again.
void ReadResults(const Json& results, HostConfig& config) {
  const std::string where = "host.results";
  for (const auto& [key, value] : Object(results, where).items()) {
    const std::string at = where + "." + key;
    if (IsComment(key)) continue;
    const int slot = HostFunction(Json(key), at);
    if (slot != kSlotHostHolderApply && slot != kSlotHostFilePrintf)
      Fail(at, "only the results of HostHolderApply and HostFilePrintf can be set");
    if (value.is_null() || (value.is_string() && value.get<std::string>() == "real"))
      config.results.erase(slot);
    else
      config.results[slot] = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
  }
}

}  // namespace

void ReadHostSection(const Json& host, HostConfig& config) {
  Object(host, "host");
  for (const auto& [key, value] : host.items()) {
    const std::string at = "host." + key;
    if (IsComment(key)) continue;
    if (key == "interfaceVersion") {
      config.interfaceVersion = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "checkModule") {
      config.checkVerdict = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "checkModuleText") {
      config.checkText = Text(value, at);
    } else if (key == "missingFunctions") {
      config.missingFunctions.clear();
      if (value.is_object() || value.is_boolean() || value.is_null())
        Fail(at, "expected a list of host function numbers");
      for (const auto& n : value) config.missingFunctions.push_back(static_cast<uint16_t>(Integer(n, at, 1, 65535)));
    } else if (key == "recordLengths") {
      for (const auto& [name, length] :
           Object(value, at, "expected an object of record lengths by data file name").items()) {
        if (IsComment(name)) continue;
        const int file = DataFileByName(name);
        if (file < 0) Fail(at, "no data file \"" + name + "\"");
        config.absent[file] = length.is_string() && length.get<std::string>() == "absent";
        if (!config.absent[file])
          config.recordLengths[file] = static_cast<int32_t>(Integer(length, at + "." + name, -32768, 65535));
      }
    } else if (key == "featureWord") {
      config.featureUntouched = value.is_string() && value.get<std::string>() == "untouched";
      if (!config.featureUntouched)
        config.featureWord = static_cast<uint32_t>(Integer(value, at, INT32_MIN, UINT32_MAX));
    } else if (key == "recodeBack") {
      config.recodeBack = Bool(value, at);
    } else if (key == "streamRuntime") {
      config.streamRuntime = OneOf(value, at, kStreamRuntimes);
    } else if (key == "pathAppend") {
      config.pathAppendInserts = OneOf(value, at, {"backslash", "concatenate"}) == "backslash";
    } else if (key == "baseTrailingBackslash") {
      config.baseTrailingBackslash = Bool(value, at);
    } else if (key == "baseSubdirectory") {
      config.baseSubdirectory = Text(value, at);
      if (config.baseSubdirectory.find_first_of("\\/") != std::string::npos)
        Fail(at, "expected one directory name, without separators");
    } else if (key == "scratchBufferSize") {
      config.scratchSize = static_cast<std::size_t>(Integer(value, at, 0, 1 << 20));
      if (config.scratchSize != 0 && config.scratchSize < 5002) Fail(at, "expected 0 (no buffer) or 5002 to 1048576");
    } else if (key == "scratchGarbage") {
      config.scratchGarbage = Bool(value, at);
    } else if (key == "recordGarbage") {
      config.recordGarbage = Bool(value, at);
    } else if (key == "recodeMissing") {
      config.recodeDrops = OneOf(value, at, {"question", "drop"}) == "drop";
    } else if (key == "resumeStructured") {
      config.resumeStructured = Bool(value, at);
    } else if (key == "stateFlags") {
      config.stateFlags = static_cast<uint32_t>(Integer(value, at, INT32_MIN, UINT32_MAX));
    } else if (key == "activation") {
      config.activation = value.is_string() && value.get<std::string>() == "auto"
                              ? -1
                              : static_cast<int32_t>(Integer(value, at, 0, 2147483647));
    } else if (key == "noticeAnswer") {
      config.noticeAnswer = static_cast<int16_t>(Integer(value, at, -32768, 32767));
    } else if (key == "dialog") {
      const std::string answer = value.is_string() ? value.get<std::string>() : "";
      if (answer == "universal")
        config.dialog = DialogAnswer::kUniversal;
      else if (answer == "interkam")
        config.dialog = DialogAnswer::kInterkam;
      else if (answer == "cancel")
        config.dialog = DialogAnswer::kCancel;
      else
        Fail(at, "expected \"universal\", \"interkam\" or \"cancel\"");
    } else if (key == "callLog") {
      config.callLog = Bool(value, at);
    } else if (key == "currentContractor") {
      config.currentContractor = static_cast<int32_t>(Integer(value, at, INT32_MIN, INT32_MAX));
    } else if (key == "currentWarehouse") {
      config.currentWarehouse = static_cast<int16_t>(Integer(value, at, -32768, 32767));
    } else if (key == "failures") {
      ReadFailures(value, config);
    } else if (key == "results") {
      ReadResults(value, config);
    } else {
      Fail(at, "unknown setting");
    }
  }
}

bool ReadHostSettings(std::string_view section, std::string_view overrides, HostConfig& config, std::string& error) {
  try {
    config = HostConfig{};
    if (!section.empty()) ReadHostSection(Parse(section, "fixture"), config);
    if (!overrides.empty()) ReadHostSection(Parse(overrides, "host settings"), config);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

bool MergeHostOverrides(std::string& overrides, std::string_view update, std::string& error) {
  try {
    Json merged = overrides.empty() ? Json::object() : Parse(overrides, "host settings");
    const Json patch = Parse(update, "host settings");
    if (!patch.is_object()) {
      error = "host settings: expected a JSON object";
      return false;
    }
    merged.update(patch, true);
    overrides = merged.dump();
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace qelmar
