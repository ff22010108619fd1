// What every fuzz target checks besides the sanitizers: each written line
// fits the capacity the module gave it, and every file that a failed write
// changed is named to the user. A violation prints what was seen and aborts,
// so that libFuzzer keeps the input and a plain driver stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dravenhol::fuzz {

// Printed before every violation (the seed or input being run), and also
// when a sanitizer ends the process.
void SetFailureContext(std::string context);
[[noreturn]] void Fail(std::string_view what, std::string_view detail);

// The capacity, terminator included, of line `line` (0: the header) of output
// file `name` ("kontrahenci.csv").
int32_t LineCapacity(std::string_view name, std::size_t line);

// One line as written (UTF-8, without its line end): every character was one
// Mazovia byte, so it holds at most capacity - 1 characters.
void CheckLineFits(std::string_view name, std::string_view utf8Line, int32_t capacity);

// Output files by name ("faktury.csv") with their bytes.
using OutputFiles = std::map<std::string, std::string>;

// Every line of every file (CR LF ends) fits its capacity.
void CheckOutputLines(const OutputFiles& files);

// The messages that name a file as not written whole ("Plik BAZA\x nie
// został zapisany w całości."), by file name.
std::vector<std::string> FilesNamedIncomplete(const std::vector<std::string>& transcript);

// After a run with injected write failures: every file that differs from the
// clean run's, and every opened file whose close failed, is named incomplete.
void CheckFailedWritesNamed(const OutputFiles& clean, const OutputFiles& failed,
                            const std::vector<std::string>& closeFailures, const std::vector<std::string>& transcript);

}  // namespace dravenhol::fuzz
