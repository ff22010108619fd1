#include "export/dialog_template.h"

#include <cstddef>

#include "host/mazovia.h"
#include "host/texts.h"

namespace dravenhol {

namespace {

// Writes little-endian numbers and zero-terminated texts at compile time.
template <std::size_t N>
struct TemplateWriter {
  std::array<unsigned char, N> bytes{};
  std::size_t used = 0;

  constexpr void U16(uint16_t value) {
    bytes[used++] = static_cast<unsigned char>(value & 0xFF);
    bytes[used++] = static_cast<unsigned char>(value >> 8);
  }
  constexpr void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value & 0xFFFF));
    U16(static_cast<uint16_t>(value >> 16));
  }
  constexpr void Text(const char* text) {
    while (*text != '\0') bytes[used++] = static_cast<unsigned char>(*text++);
    bytes[used++] = 0;
  }
  constexpr void Control(uint16_t kind, int16_t command, uint16_t flags, uint16_t key, uint16_t column, uint16_t row,
                         uint16_t width, uint16_t height, const char* text) {
    U16(kind);
    U16(static_cast<uint16_t>(command));
    U16(flags);
    U16(key);
    U16(column);
    U16(row);
    U16(width);
    U16(height);
    U32(0);
    Text(text);
  }
};

constexpr uint16_t kButton = 0;
constexpr uint16_t kRadioButton = 1;
constexpr uint16_t kLabel = 3;
constexpr uint16_t kRadioGroupFlag = 0x0400;
constexpr uint16_t kKeyF12 = 0x8600;
constexpr uint16_t kKeyEsc = 0x001B;

constexpr std::array<unsigned char, 208> BuildTemplate() {
  TemplateWriter<208> w;
  w.U32(204);  // length of the rest of the template
  w.U16(200);
  w.U16(5);  // controls
  w.U16(0xFFFF);
  w.U16(static_cast<uint16_t>(kExportDialogNumber));
  w.U32(0);
  w.U32(0);
  w.U16(34);  // width
  w.U16(9);   // height
  w.U32(0);
  w.Text(texts::kDialogTitle);
  w.Control(kLabel, -1, 0, 0, 3, 2, 28, 1, texts::kDialogMethod);
  w.Control(kRadioButton, -1, kRadioGroupFlag, 'U', 3, 3, 28, 1, texts::kDialogUniversal);
  w.Control(kRadioButton, -1, kRadioGroupFlag, 'I', 3, 4, 28, 1, texts::kDialogInterkam);
  w.Control(kButton, kDialogAccepted, 0, kKeyF12, 2, 6, 10, 1, texts::kDialogOk);
  w.Control(kButton, kDialogCancelled, 0, kKeyEsc, 16, 6, 15, 1, texts::kDialogCancel);
  if (w.used != 208) throw "the export dialog template must be 208 bytes";
  return w.bytes;
}

}  // namespace

const std::array<unsigned char, 208> kExportDialogTemplate = BuildTemplate();

}  // namespace dravenhol
