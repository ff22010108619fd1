// kontrahenci.csv: contractors with their attributes, tax number, address
// pieces and name parts.
#include <cstring>

#include "host/host_api.h"
#include "host/mazovia.h"
#include "host/records/k4.h"
#include "tables/address.h"
#include "tables/lookups.h"
#include "tables/names.h"
#include "tables/row_builder.h"
#include "tables/row_context.h"
#include "tables/row_writers.h"

namespace dravenhol {

// A piece of the address, copied through the host into a temporary area
// first, then quoted; an empty piece stays an empty field.
void QuoteAddressPiece(char (&field)[kQuotedFieldSize], const char* piece) {
  field[0] = '\0';
  if (piece[0] == '\0') return;
  char temporary[kSourceAreaSize];
  host::HostCopyTextMax(temporary, piece, static_cast<int32_t>(kMaxFieldSource));
  temporary[kMaxFieldSource] = '\0';
  QuoteField(field, temporary);
}

Row FormatContractorRow(RowContext& rows, char* row) {
  const RecordView contractor = rows.Record(kK4);
  const int32_t id = contractor.I32(k4::kId);

  char addressLine[kTextAreaSize];
  contractor.Text(k4::kAddress, addressLine, sizeof addressLine);
  AddressPieces pieces;
  SplitAddress(addressLine, pieces);
  char street[kQuotedFieldSize], postcode[kQuotedFieldSize], city[kQuotedFieldSize], house[kQuotedFieldSize],
      flat[kQuotedFieldSize];
  QuoteAddressPiece(street, pieces.street);
  QuoteAddressPiece(postcode, pieces.postcode);
  QuoteAddressPiece(city, pieces.city);
  QuoteAddressPiece(house, pieces.house);
  QuoteAddressPiece(flat, pieces.flat);

  char created[kTextAreaSize];
  DateField(created, contractor, k4::kCreatedDate);
  char account[kQuotedFieldSize];
  QuoteRecordText(account, contractor, k4::kAccount);

  char email[kQuotedFieldSize], identityCard[kQuotedFieldSize], phone[kQuotedFieldSize], scanLink[kQuotedFieldSize],
      pesel[kQuotedFieldSize], nip[kQuotedFieldSize];
  QuotedAttribute(id, MZ("e-mail"), kPlainAttribute, email);
  QuotedAttribute(id, MZ("Dow.Os."), kPlainAttribute, identityCard);
  QuotedAttribute(id, MZ("tel."), kPlainAttribute, phone);
  QuotedAttribute(id, MZ("Umowa"), kLinkAttribute, scanLink);
  QuotedAttribute(id, MZ("Pesel"), kPlainAttribute, pesel);

  PlaceTaxNumber(contractor, pesel, nip);

  char name[kSourceAreaSize];
  contractor.Text(k4::kName, name, sizeof name);
  char firstName[kQuotedFieldSize], surname[kQuotedFieldSize];
  SplitContractorName(rows, name, firstName, surname);

  char createdBy[kQuotedFieldSize], symbol[kQuotedFieldSize];
  QuoteRecordText(createdBy, contractor, k4::kCreatedBy);
  QuoteRecordText(symbol, contractor, k4::kSymbol);

  RowBuilder line(row, kRowCapacity);
  line.Text(symbol).Text(firstName).Text(surname).Text(pesel).Text(nip).Text("");
  line.Text(identityCard).Text(phone).Text("").Text(email);
  // The correspondence address repeats the main one.
  for (int copy = 0; copy < 2; ++copy) line.Text(city).Text(street).Text(house).Text(flat).Text(postcode);
  line.Text(account).Money(contractor.F64(k4::kBalance)).Text(scanLink).Integer(1);
  line.Text(created).Text(createdBy).Integer(id);
  return line.Finish(id);
}

}  // namespace dravenhol
