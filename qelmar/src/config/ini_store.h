// A small settings file in the form the host keeps: [section] lines and
// key=value lines. Sections and keys match without regard to ASCII case; other
// lines are kept as they are. Saved with CR LF line ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qelmar {

class IniFile {
 public:
  explicit IniFile(const std::string& text = {});

  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  std::string Text() const;

 private:
  // Index of the key's line within the section, or of the section's header.
  std::optional<std::size_t> FindSection(const std::string& section) const;
  std::optional<std::size_t> FindKey(std::size_t sectionLine, const std::string& key) const;

  std::vector<std::string> lines_;
};

}  // namespace qelmar
