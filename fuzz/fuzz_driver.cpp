// A plain driver for the fuzz entry, for builds without libFuzzer: runs every
// file named on the command line, or, with "--random N", N generated texts
// made of address-like pieces.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

const char* const kPieces[] = {"ul. ",
                               "UL.",
                               "os.",
                               "al.",
                               "00-950",
                               "12-345",
                               "1",
                               "5",
                               "7a",
                               "12-14",
                               "/",
                               " m ",
                               " m. ",
                               " lok ",
                               " lok. ",
                               "m",
                               "m.",
                               ".",
                               " ",
                               "  ",
                               ",",
                               "'",
                               "\\",
                               "Długa",
                               "Warszawa",
                               "Kowalski",
                               "Jan",
                               "maria",
                               "-",
                               "PL",
                               "123-456-32-18",
                               "44051401359",
                               "\x92",
                               "\x9C",
                               "\x01",
                               ";",
                               "x"};

void RunText(const std::string& text) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--random") == 0) {
    const long count = std::strtol(argv[2], nullptr, 10);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 12), byte(1, 255), mode(0, 9);
    for (long i = 0; i < count; ++i) {
      std::string text;
      const int pieces = mode(random) == 0 ? 200 : length(random);
      for (int p = 0; p < pieces; ++p) {
        if (mode(random) == 0)
          text += static_cast<char>(byte(random));
        else
          text += kPieces[piece(random)];
      }
      RunText(text);
    }
    std::printf("%ld texts checked\n", count);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    RunText(std::string(std::istreambuf_iterator<char>(file), {}));
  }
  return 0;
}
