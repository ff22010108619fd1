#include "store/store_layout.h"

namespace qelmar::store_layout {

namespace {

void AppendU32(std::string& bytes, std::size_t n) {
  const auto value = static_cast<uint32_t>(n);
  bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

std::string EncodeAttribute(const AttributeEntry& entry) {
  std::string bytes;
  AppendU32(bytes, entry.name.size());
  bytes += entry.name;
  bytes.append(reinterpret_cast<const char*>(&entry.kind), sizeof entry.kind);
  AppendU32(bytes, entry.value.size());
  bytes += entry.value;
  return bytes;
}

std::string EncodeBaseFile(const BaseFile& file) {
  std::string bytes;
  AppendU32(bytes, file.name.size());
  bytes += file.name;
  bytes += static_cast<char>(file.content ? 1 : 0);
  if (file.content) bytes += *file.content;
  return bytes;
}

bool DecodeBaseFile(std::string_view bytes, BaseFile& file) {
  uint32_t nameLength = 0;
  if (bytes.size() < sizeof nameLength) return false;
  std::memcpy(&nameLength, bytes.data(), sizeof nameLength);
  bytes.remove_prefix(sizeof nameLength);
  if (nameLength >= bytes.size()) return false;  // the name and the presence byte
  file.name.assign(bytes.substr(0, nameLength));
  const char present = bytes[nameLength];
  bytes.remove_prefix(nameLength + 1);
  if (present == 0 && bytes.empty()) {
    file.content.reset();
    return true;
  }
  if (present != 1) return false;
  file.content.emplace(bytes);
  return true;
}

}  // namespace qelmar::store_layout
