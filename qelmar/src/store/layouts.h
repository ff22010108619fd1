// The host's own record layouts: for each data file, the fields a fixture can
// name, with their byte offsets and types. Records are laid out from these
// definitions alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qelmar {

enum class FieldType { kI16, kU16, kI32, kU32, kF64, kText, kDate, kBytes };

struct FieldDef {
  const char* name;
  uint32_t offset;
  FieldType type;
  // Texts and dates: room including the terminator. Numbers: how many values
  // follow one another (1 for a single value).
  uint32_t extent;
};

// The named field of a data file, or null.
const FieldDef* FindField(int dataFile, std::string_view name);

// "i16", "u16", "i32", "u32", "f64", "text", "date", "bytes"; false otherwise.
bool ParseFieldType(std::string_view text, FieldType& type);

// Bytes of one value of a numeric type.
uint32_t ValueSize(FieldType type);

// Calls fill on each run of the record's bytes that carry no value: those
// outside every field defined here, and in a text or date field those after
// its terminator (a host need not clear them).
void ForEachUnusedRun(int dataFile, unsigned char* record, std::size_t length,
                      void (*fill)(unsigned char* bytes, std::size_t count));

}  // namespace qelmar
