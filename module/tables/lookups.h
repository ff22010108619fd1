// Host look-ups that several rows share.
#pragma once

#include <cstdint>

#include "host/record.h"
#include "tables/fields.h"

namespace dravenhol {

// The name of goods group `group` from the host, empty when it has none.
void GoodsGroupName(const int32_t* group, char (&name)[kTextAreaSize]);

// Attribute kinds the contractor columns take.
inline constexpr int16_t kPlainAttribute = 0;
inline constexpr int16_t kLinkAttribute = 3;

// The quoted value of a contractor's named attribute; empty when the host has
// no such attribute, when it is of another kind, or when its value is empty.
void QuotedAttribute(int32_t contractor, const char* attribute, int16_t kind, char (&field)[kQuotedFieldSize]);

// Places a contractor's tax number: a valid NIP goes to nip; any other tax
// number stands in for a missing PESEL (pesel holds the "Pesel" attribute).
void PlaceTaxNumber(const RecordView& contractor, char (&pesel)[kQuotedFieldSize], char (&nip)[kQuotedFieldSize]);

}  // namespace dravenhol
