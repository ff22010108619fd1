#include "invariants.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "export/output_files.h"

// Present only in builds with a sanitizer.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace dravenhol::fuzz {

namespace {

std::string g_context;

void PrintContext() { std::fprintf(stderr, "%s\n", g_context.c_str()); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void SetFailureContext(std::string context) {
  static const bool registered = [] {
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(&PrintContext);
    return true;
  }();
  static_cast<void>(registered);
  g_context = std::move(context);
}

void Fail(std::string_view what, std::string_view detail) {
  PrintContext();
  std::fprintf(stderr, "%.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
               static_cast<int>(std::min<std::size_t>(detail.size(), 4000)), detail.data());
  std::abort();
}

int32_t LineCapacity(std::string_view name, std::size_t line) {
  if (line == 0) return kHeaderCapacity;
  for (const OutputFileEntry& file : kOutputFiles)
    if (name == file.file.name) return file.file.capacity;
  return 0;
}

void CheckLineFits(std::string_view name, std::string_view utf8Line, int32_t capacity) {
  const auto characters = std::count_if(utf8Line.begin(), utf8Line.end(),
                                        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  if (characters >= capacity)
    Fail(std::string("a line of ") + std::string(name) + " holds " + std::to_string(characters) +
             " characters, capacity " + std::to_string(capacity),
         utf8Line);
}

void CheckOutputLines(const OutputFiles& files) {
  for (const auto& [name, bytes] : files) {
    std::size_t line = 0;
    for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
      CheckLineFits(name, std::string_view(bytes).substr(start, end - start), LineCapacity(name, line++));
  }
}

std::vector<std::string> FilesNamedIncomplete(const std::vector<std::string>& transcript) {
  // The transcript quotes the message: a backslash shows doubled.
  static const std::string kBefore = "Plik BAZA\\\\", kAfter = " nie został zapisany w całości.";
  std::vector<std::string> names;
  for (const std::string& line : transcript) {
    if (line.rfind("HostMessageBox", 0) != 0) continue;
    const std::size_t start = line.find(kBefore);
    if (start == std::string::npos) continue;
    const std::size_t end = line.find(kAfter, start);
    if (end != std::string::npos) names.push_back(line.substr(start + kBefore.size(), end - start - kBefore.size()));
  }
  return names;
}

void CheckFailedWritesNamed(const OutputFiles& clean, const OutputFiles& failed,
                            const std::vector<std::string>& closeFailures, const std::vector<std::string>& transcript) {
  const std::vector<std::string> named = FilesNamedIncomplete(transcript);
  for (const auto& [name, bytes] : clean) {
    const auto written = failed.find(name);
    const bool changed = written == failed.end() || written->second != bytes;
    const bool closeFailed = written != failed.end() && Contains(closeFailures, name);
    if ((changed || closeFailed) && !Contains(named, name))
      Fail("BAZA\\" + name + (changed ? " differs from the clean run's" : " failed to close") +
               " but no message names it incomplete",
           written == failed.end() ? std::string("(not written)") : written->second);
  }
}

}  // namespace dravenhol::fuzz
