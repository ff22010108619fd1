#include "store/layouts.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "store/record_store.h"

namespace qelmar {

namespace {

using enum FieldType;

// Text room runs up to the next field the host defines.
constexpr FieldDef kTsprFields[] = {
    {"number", 2, kText, 17},         {"number2", 19, kText, 17},     {"customerKey", 36, kText, 183},
    {"type", 219, kI16, 1},           {"saleDate", 221, kDate, 9},    {"issueDate", 230, kDate, 9},
    {"paymentTerm", 257, kI16, 1},    {"grossTotal", 259, kF64, 1},   {"netTotal", 267, kF64, 1},
    {"vatTotal", 275, kF64, 1},       {"gross23", 283, kF64, 1},      {"net23", 291, kF64, 1},
    {"vat23", 299, kF64, 1},          {"gross8", 307, kF64, 1},       {"net8", 315, kF64, 1},
    {"vat8", 323, kF64, 1},           {"other1", 331, kF64, 1},       {"other2", 339, kF64, 1},
    {"other3", 347, kF64, 1},         {"gross0", 355, kF64, 1},       {"grossExempt", 363, kF64, 1},
    {"remarks", 436, kText, 103},     {"createdBy", 539, kText, 914}, {"contractorId", 1453, kI32, 1},
    {"settlementRef", 1461, kI32, 1}, {"documentId", 1465, kI32, 1},
};
constexpr FieldDef kTsprDokFields[] = {
    {"name", 2, kText, 148}, {"priceA", 150, kF64, 1}, {"vat", 166, kI16, 1}, {"priceB", 192, kF64, 1}};
constexpr FieldDef kTsprPropFields[] = {
    {"discountSwitch1", 68, kI16, 1}, {"discountSwitch2", 745, kI16, 1}, {"discountSwitch3", 545, kI16, 1}};
constexpr FieldDef kUmstFields[] = {
    {"state", 2, kI16, 1},
    {"kind", 4, kI16, 1},
    {"frequency", 6, kI16, 1},
    {"number", 8, kText, 19},
    {"contractorKey", 27, kText, 183},
    {"description", 210, kText, 101},
    {"paymentWord", 311, kU16, 1},
    {"paymentTerm", 313, kI16, 1},
    {"startDate", 348, kDate, 9},
    {"endDate", 357, kDate, 9},
    {"createdDate", 835, kDate, 9},
    {"priceSelector", 848, kI16, 1},
    {"contractId", 854, kI32, 1},
};
constexpr FieldDef kUmstDokFields[] = {{"name", 2, kText, 156},
                                       {"priceA", 158, kF64, 1},
                                       {"vat", 166, kI16, 1},
                                       {"priceB", 176, kF64, 1},
                                       {"goodsId", 418, kI16, 1}};
constexpr FieldDef kK4Fields[] = {
    {"symbol", 2, kText, 17},        {"name", 19, kText, 101},       {"address", 120, kText, 56},
    {"taxNumber", 176, kText, 63},   {"account", 239, kText, 104},   {"amount", 343, kF64, 1},
    {"balance", 359, kF64, 1},       {"createdDate", 949, kDate, 9}, {"createdBy", 958, kText, 574},
    {"contractorId", 1532, kI32, 1},
};
constexpr FieldDef kK4KarFields[] = {
    {"owner", kSettlementOwnerOffset, kI32, 1},
    {"date", 336, kDate, 9},
    {"slotKind", 588, kI16, 12},
    {"slotAmount", 612, kF64, 12},
    {"slotDocument", 711, kI32, 12},
    {"active", 763, kI32, 1},
};
constexpr FieldDef kK4TabFields[] = {{"percent", 452, kI32, 450},
                                     {"priceLevel", 2252, kI16, 450},
                                     {"amountDiscount", 3152, kF64, 450},
                                     {"contractorId", 11252, kI32, 1}};
constexpr FieldDef kK9Fields[] = {
    {"name", 2, kText, 121},
    {"symbol", 123, kText, 17},
    {"plu", 140, kText, 17},
    {"unit", 157, kText, 18},
    {"stock", 175, kI32, 1},
    {"vat", 227, kI16, 1},
    {"purchaseNet", 231, kF64, 1},
    {"net1", 247, kF64, 1},
    {"net2", 255, kF64, 1},
    {"gross1", 327, kF64, 1},
    {"supplierSymbol", 457, kText, 26},
    {"shortName", 483, kText, 41},
    {"group", 524, kI32, 1},
    {"pkwiu", 528, kText, 78},
    {"description", 606, kText, 416},
    {"goodsId", 1022, kI16, 1},
};
constexpr FieldDef kH1Fields[] = {
    {"state", 2, kI16, 1}, {"name", 4, kText, 31}, {"id", 35, kText, 5}, {"third", 40, kText, 428}};
constexpr FieldDef kW3Fields[] = {{"number", 2, kI16, 1}, {"name", 4, kText, 212}};

constexpr std::span<const FieldDef> kLayouts[kDataFileCount] = {
    kTsprFields,  kTsprDokFields, kTsprPropFields, kUmstFields, kUmstDokFields, kK4Fields,
    kK4KarFields, kK4TabFields,   kK9Fields,       kH1Fields,   kW3Fields,
};

}  // namespace

const FieldDef* FindField(int dataFile, std::string_view name) {
  if (dataFile < 0 || dataFile >= kDataFileCount) return nullptr;
  for (const FieldDef& field : kLayouts[dataFile])
    if (name == field.name) return &field;
  return nullptr;
}

bool ParseFieldType(std::string_view text, FieldType& type) {
  constexpr struct {
    std::string_view name;
    FieldType type;
  } kTypes[] = {{"i16", kI16}, {"u16", kU16},   {"i32", kI32},   {"u32", kU32},
                {"f64", kF64}, {"text", kText}, {"date", kDate}, {"bytes", kBytes}};
  for (const auto& entry : kTypes)
    if (text == entry.name) {
      type = entry.type;
      return true;
    }
  return false;
}

uint32_t ValueSize(FieldType type) {
  switch (type) {
    case kI16:
    case kU16:
      return 2;
    case kI32:
    case kU32:
      return 4;
    case kF64:
      return 8;
    default:
      return 1;
  }
}

void ForEachUnusedRun(int dataFile, unsigned char* record, std::size_t length,
                      void (*fill)(unsigned char* bytes, std::size_t count)) {
  if (dataFile < 0 || dataFile >= kDataFileCount || record == nullptr) return;
  std::vector<bool> used(length, false);
  const auto mark = [&](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count && i < length; ++i) used[i] = true;
  };
  for (const FieldDef& field : kLayouts[dataFile]) {
    if (field.offset >= length) continue;
    if (field.type == kText || field.type == kDate) {
      const std::size_t room = std::min<std::size_t>(field.extent, length - field.offset);
      const void* end = std::memchr(record + field.offset, '\0', room);
      mark(field.offset,
           end != nullptr
               ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - (record + field.offset)) + 1
               : room);
    } else {
      mark(field.offset, std::size_t{field.extent} * ValueSize(field.type));
    }
  }
  for (std::size_t i = 0; i < length;) {
    if (used[i]) {
      ++i;
      continue;
    }
    std::size_t n = 1;
    while (i + n < length && !used[i + n]) ++n;
    fill(record + i, n);
    i += n;
  }
}

}  // namespace qelmar
