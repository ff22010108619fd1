// Quoting, dates, VAT codes, numbers and bounded rows.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "qelmar_host.h"
#include "tables/fields.h"
#include "tables/numbers.h"
#include "tables/row_builder.h"

namespace dravenhol {
namespace {

using testing::QelmarHost;

std::string Quoted(const std::string& source) {
  char field[kQuotedFieldSize];
  QuoteField(field, source.c_str());
  return field;
}

TEST(QuoteField, WrapsAndEscapesText) {
  QelmarHost host;
  const struct {
    std::string source, expected;
  } cases[] = {
      {"", ""},  // an empty value is an empty field, not ''
      {"Kowalski", "'Kowalski'"},
      {"O'Neil", "'O\\'Neil'"},
      {"ab'", "'ab\\''"},  // a final apostrophe is escaped, the field still closes
      {"''", "'\\'\\''"},
      {"C:\\dane\\", "'C:\\dane'"},  // a trailing backslash would escape the closing apostrophe
      {"\\", "''"},
      {"a\\\\", "'a'"},    // so every trailing backslash goes
      {"a\\b", "'a\\b'"},  // inner backslashes stay
      {"a;b", "'a;b'"},    // separators inside a text are not escaped
      {"a\"b\r\nc", "'a\"b\r\nc'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Quoted(c.source), c.expected) << "source: " << c.source;
}

TEST(QuoteField, CutsLongValuesAt1023CharactersBeforeEscaping) {
  QelmarHost host;
  EXPECT_EQ(Quoted(std::string(1030, 'x')), "'" + std::string(1023, 'x') + "'");
  EXPECT_EQ(Quoted(std::string(1022, 'x') + "'zzz"), "'" + std::string(1022, 'x') + "\\''");
}

TEST(QuoteField, WritesTheLongestEscapedValueWhole) {
  QelmarHost host;
  // Every apostrophe is escaped, also past position 1022 of the escaped text.
  std::string expected = "'";
  for (int i = 0; i < 1023; ++i) expected += "\\'";
  expected += "'";
  EXPECT_EQ(Quoted(std::string(1023, '\'')), expected);
  EXPECT_EQ(expected.size(), kQuotedFieldSize - 1);
}

TEST(QuoteField, StaysWithinASmallArea) {
  QelmarHost host;
  char small[8];
  QuoteField(small, "O'Neil and more");
  EXPECT_EQ(std::string(small), "'O\\'Ne'");  // seven characters and the terminator
}

TEST(EscapeApostrophes, InsertsABackslashBeforeEachApostrophe) {
  char text[32] = "a'b''c";
  EscapeApostrophes(text, sizeof text);
  EXPECT_STREQ(text, "a\\'b\\'\\'c");
  char tight[6] = "a'b'";  // room for one backslash only: the text ends before the unescaped apostrophe
  EscapeApostrophes(tight, sizeof tight);
  EXPECT_STREQ(tight, "a\\'b");
}

TEST(FormatDateField, WritesYearMonthDayBetweenApostrophes) {
  QelmarHost host;
  const struct {
    std::string stored, expected;
  } cases[] = {
      {"20261207", "'2026-12-07'"},
      {"19990101", "'1999-01-01'"},
      {"", ""},  // an empty date is an empty field
      // Any other stored text is shown by the host, which makes DD.MM.YYYY of
      // the digits it finds, missing ones as 0.
      {"garbage", "'0000-00-00'"},
      {"2026-12-07", "'2026-12-07'"},
  };
  for (const auto& c : cases) {
    char field[kTextAreaSize];
    DateField(field, RecordView(c.stored.c_str(), c.stored.size() + 1), 0);
    EXPECT_EQ(std::string(field), c.expected) << "stored: " << c.stored;
  }
}

TEST(VatRateFromCode, MapsCodesToPercentages) {
  const struct {
    int16_t code;
    int32_t rate;
  } cases[] = {{0, 0},  {5, 0},  {11, 0},  {12, 2},    {18, 8},   {33, 23},   {38, 28},       {39, 0},
               {40, 0}, {41, 0}, {42, 32}, {110, 100}, {-1, -11}, {-10, -20}, {32767, 32757}, {-32768, -32778}};
  for (const auto& c : cases) EXPECT_EQ(VatRateFromCode(c.code), c.rate) << "code " << c.code;
}

std::string Fixed(double value, int decimals) {
  char text[kNumberTextSize];
  FormatFixed(value, decimals, text, sizeof text);
  return text;
}

// The module formats numbers from their bits; the result must be
// std::to_chars's digit for digit: money quotients, quantities, exact and
// inexact halves, signs, the tiniest and the largest values.
TEST(Numbers, FixedIsToCharsDigitForDigit) {
  std::mt19937_64 random(20261208);
  std::vector<double> values = {0.0,
                                -0.0,
                                0.125,
                                0.375,
                                2.675,
                                1.005,
                                -0.004,
                                0.005,
                                4503599627370495.5,
                                1e300,
                                -1e-300,
                                5e-324,
                                1e15,
                                0.0005,
                                -0.0015,
                                999.9995,
                                4503599627370496.0};
  for (int i = 0; i < 200000; ++i) {
    const auto stored = static_cast<double>(static_cast<int64_t>(random() % 2000000000001ULL) - 1000000000000LL);
    values.push_back(MoneyValue(stored));
    values.push_back(stored / 1000.0);
    double any = 0;
    const uint64_t bits = random();
    std::memcpy(&any, &bits, sizeof any);
    values.push_back(any);
  }
  for (const double value : values)
    for (int decimals = 0; decimals <= 3; ++decimals) {
      char expected[400] = "";
      const auto end =
          std::to_chars(expected, expected + sizeof expected - 1, value, std::chars_format::fixed, decimals);
      *end.ptr = '\0';
      char text[400];
      FormatFixed(value, decimals, text, sizeof text);
      ASSERT_STREQ(text, expected) << "decimals " << decimals;
    }
}

TEST(Numbers, MoneyHasTwoDecimalsWithExactHalvesToEven) {
  const struct {
    double stored;
    const char* expected;
  } cases[] = {
      {0, "0.00"},
      {2500, "0.25"},
      {12345, "1.23"},
      {-50000, "-5.00"},
      {-40, "-0.00"},
      {1250, "0.12"},
      {3750, "0.38"},
      {1, "0.00"},
      {50, "0.01"},
      {150, "0.01"},
      {1234567890123.0, "123456789.01"},
      {-0.0, "-0.00"},  // 150 / 10000 lies just below 0.015 in binary, so it gives 0.01
      {1e19, "1000000000000000.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Fixed(MoneyValue(c.stored), 2), c.expected) << "stored " << c.stored;
  EXPECT_EQ(Fixed(0.125, 2), "0.12");
  EXPECT_EQ(Fixed(0.375, 2), "0.38");
  EXPECT_EQ(Fixed(-0.004, 2), "-0.00");
  EXPECT_EQ(Fixed(2500 / 10000.0, 2), "0.25");
}

TEST(Numbers, QuantitiesAndPercentagesAreThousandths) {
  EXPECT_EQ(Fixed(QuantityValue(2500), 3), "2.500");
  EXPECT_EQ(Fixed(QuantityValue(1500), 3), "1.500");
  EXPECT_EQ(Fixed(QuantityValue(-250), 3), "-0.250");
  EXPECT_EQ(Fixed(QuantityValue(0), 3), "0.000");
  EXPECT_EQ(Fixed(QuantityValue(INT32_MIN), 3), "-2147483.648");
  EXPECT_EQ(Fixed(PercentValue(12500), 2), "12.50");
  EXPECT_EQ(Fixed(PercentValue(125), 2), "0.12");  // 0.125: an exact half, to even
  EXPECT_EQ(Fixed(1e308, 2).size(), 312u);         // the largest values fit the number area
}

TEST(Numbers, IntegersAreDecimalWithTheirSign) {
  char text[kNumberTextSize];
  FormatInteger(INT32_MIN, text, sizeof text);
  EXPECT_STREQ(text, "-2147483648");
  FormatInteger(0, text, sizeof text);
  EXPECT_STREQ(text, "0");
  char tiny[3];
  EXPECT_EQ(FormatInteger(12345, tiny, sizeof tiny), 0u);
  EXPECT_STREQ(tiny, "");
}

TEST(RowBuilder, SeparatesFieldsAndKeepsTrailingSeparators) {
  char row[64];
  RowBuilder line(row, sizeof row);
  line.Integer(7).Text("'a'").Text("").Money(2500).Fixed(QuantityValue(1500), 3).Tail(";;");
  ASSERT_TRUE(line.fits());
  EXPECT_STREQ(line.line(), "7;'a';;0.25;1.500;;");
}

TEST(RowBuilder, ARowThatDoesNotFitIsNotCutButRefused) {
  QelmarHost host;
  char row[8];
  RowBuilder exact(row, sizeof row);
  exact.Text("1234567");  // seven characters and the terminator fill the area
  EXPECT_TRUE(exact.fits());
  EXPECT_STREQ(exact.line(), "1234567");
  EXPECT_STREQ(exact.Finish(4711).line(), "1234567");

  RowBuilder over(row, sizeof row);
  over.Text("1234").Text("567");  // the separator makes eight
  EXPECT_FALSE(over.fits());
  EXPECT_EQ(over.line(), nullptr);

  // Handed back as dropped, naming the record (the message is the output pair's).
  const Row dropped = over.Finish(4711);
  EXPECT_EQ(dropped.line(), nullptr);
  EXPECT_EQ(dropped.drop(), Drop::kTooLong);
  EXPECT_STREQ(dropped.key(), "4711");
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace dravenhol
