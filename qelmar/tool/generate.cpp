// The generator: a realistic database written as a fixture, one function per
// section. The invoices are visited three times (their settlement entries,
// their records, their items); every value of a record is drawn again from
// its own random stream each time.
#include "generate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "generate_plan.h"

namespace qelmar_tool {

namespace {

using Layout = JsonWriter::Layout;

int64_t Scaled(double scale, int64_t standard, int64_t least) {
  return std::max<int64_t>(least, std::llround(static_cast<double>(standard) * scale));
}

// The names of the base directory's imiona.txt, the goods groups and the
// payment methods.
void WriteFiles(JsonWriter& out) {
  std::string names;
  for (const char* name : kFirstNames) names += UpperCase(name) + "\r\n";
  out.Key("files").Object().Field("imiona.txt", names).End();
}

void WriteGroups(JsonWriter& out, const Plan& p) {
  out.Key("groups").Object();
  for (int64_t g = 0; g < p.groups; g += 2) out.Field(std::to_string(g), Format("Grupa %lld - ", g) + GoodsWord(g));
  out.End();
}

void WritePaymentMethods(JsonWriter& out) {
  static const char* const kMethods[] = {"gotówka", "Przelew", "Karta", "Kompensata", "BARTER", "umowa"};
  out.Key("paymentMethods").Object();
  for (std::size_t m = 0; m < std::size(kMethods); ++m) out.Field(std::to_string(m + 1), kMethods[m]);
  out.End();
}

// Index 198 yields every 997th contractor from the eighth.
void WriteIndexes(JsonWriter& out, const Plan& p) {
  out.Key("indexes").Object().Key("198").Array();
  for (int64_t c = 7; c < p.contractors; c += 997) out.Int(c);
  out.End().End();
}

// Warehouse 1 presents every goods record as stored; 2 and 3 some of them,
// some with their own stock.
void WriteWarehouseGoods(JsonWriter& out, const Plan& p) {
  static constexpr Layout kThirtyTwoALine{"", ", ", "", 32};
  out.Key("warehouseGoods").Object().Key("1").Array(kThirtyTwoALine);
  for (int64_t g = 0; g < p.goods; ++g) out.Int(g);
  out.End();
  for (int w = 2; w <= 3; ++w) {
    out.Key(std::to_string(w)).Array(JsonWriter::kLines);
    for (int64_t g = 0; g < p.goods; ++g) {
      Rng rng = p.Random(Purpose::kWarehouseGoods, g * 4 + w);
      if (!rng.Chance(w == 2 ? 0.5 : 0.3)) continue;
      if (rng.Chance(0.5))
        out.Int(g);
      else
        out.Object().Field("record", g).Field("stock", rng.Below(50000) * 10).End();
    }
    out.End();
  }
  out.End();
}

// One to three attributes a contractor, of five kinds in turn.
void WriteAttributes(JsonWriter& out, const Plan& p) {
  static const char* const kNames[] = {"e-mail", "tel.", "Dow.Os.", "Umowa", "Pesel"};
  out.Key("attributes").Array(JsonWriter::kLines);
  for (int64_t c = 0; c < p.contractors; ++c) {
    Rng rng = p.Random(Purpose::kContractorAttributes, c);
    const int32_t id = ContractorId(c);
    const int64_t count = rng.Between(1, 3);
    const int64_t start = rng.Below(5);
    for (int64_t a = 0; a < count; ++a) {
      const int64_t which = (start + a) % 5;
      std::string value;
      switch (which) {
        case 0:
          value = Format("biuro%lld@firma-%lld.pl", id, rng.Below(1000));
          break;
        case 1:
          value = Format("+48 %03lld %03lld %03lld", rng.Between(500, 899), rng.Below(1000), rng.Below(1000));
          break;
        case 2:
          value = Format("ABC%06lld", rng.Below(1000000));
          break;
        case 3:
          value = Format("\\\\serwer\\umowy\\%lld.pdf", id);
          break;
        default:
          value = Pesel(rng);
          break;
      }
      out.Object().Field("contractor", id).Field("name", kNames[which]);
      out.Field("kind", which == 3 ? 3 : 0).Field("value", value).End();
    }
  }
  out.End();
}

// Three items a standing contract, all at 23%.
void WriteContractItems(JsonWriter& out, const Plan& p) {
  constexpr int16_t kVat = 33;
  out.Key("contractItems").Object(JsonWriter::kLines);
  for (int64_t k = 0; k < p.contracts; ++k) {
    Rng rng = p.Random(Purpose::kContractItems, k);
    out.Key(std::to_string(k + 1)).Array();
    for (int n = 0; n < 3; ++n) {
      const int64_t g = rng.Below(p.goods);
      const int64_t net = rng.Between(1, 50000) * 100;
      out.Object().Field("name", GoodsName(g));
      out.Field("priceA", net).Field("priceB", net + net * VatOf(kVat).percent / 100).Field("vat", kVat);
      out.Field("goodsId", GoodsId(g)).End();
    }
    out.End();
  }
  out.End();
}

void WriteInvoiceItems(JsonWriter& out, const Plan& p) {
  out.Key("invoiceItems").Object(JsonWriter::kLines);
  for (int64_t i = 0; i < p.invoices; ++i) {
    out.Key(std::to_string(DocumentId(i))).Array();
    for (const Item& item : InvoiceOf(p, i).items)
      out.Object()
          .Field("name", item.name)
          .Field("priceA", item.net)
          .Field("priceB", item.gross)
          .Field("vat", item.vat)
          .End();
    out.End();
  }
  out.End();
}

}  // namespace

bool GenerateFixture(const GenerateOptions& options, const std::string& path, std::string* error) {
  if (!(options.scale > 0) || options.keyAccounts < 1 || options.keyShare < 0 || options.keyShare >= 1) {
    *error = "scale must be positive, key accounts at least 1 and the key share below 1";
    return false;
  }
  Plan p{};
  p.contractors = Scaled(options.scale, 100000, 20);
  p.invoices = Scaled(options.scale, 1000000, 1);
  p.contracts = Scaled(options.scale, 20000, 1);
  p.goods = std::min<int64_t>(Scaled(options.scale, 50000, 10), 65000);
  p.users = Scaled(options.scale, 1000, 3);
  p.groups = 450;
  p.keyAccounts = static_cast<int>(std::min<int64_t>(options.keyAccounts, p.contractors / 2));
  p.keyShare = options.keyShare;
  p.seed = options.seed;

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  bool written = false;
  {
    JsonWriter out(file);
    out.Object(JsonWriter::kBlock);
    out.Field("#", Format("Generated: scale %lld/1000000, seed %lld", std::llround(options.scale * 1e6),
                          static_cast<long long>(p.seed)));
    out.Key("host").Object().End();
    WriteFiles(out);
    WriteGroups(out, p);
    WritePaymentMethods(out);
    WriteTables(out, p);
    WriteIndexes(out, p);
    WriteWarehouseGoods(out, p);
    WriteAttributes(out, p);
    WriteContractItems(out, p);
    WriteInvoiceItems(out, p);
    out.End();
    written = out.Finish();
  }
  if (std::fclose(file) != 0 || !written) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace qelmar_tool
