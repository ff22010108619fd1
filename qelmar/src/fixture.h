// Compiling a database fixture (JSON, docs/fixture-format.md) into a store:
// the text is scanned for its sections, and each is read as a stream
// (fixture_stream.h) by its reader in the table of sections
// (fixture_sections.h), one section value at a time, so that the memory it
// takes grows with the number of keys (documents, contractors), never with the
// size of the text. The store it writes is plain bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store_writer.h"

namespace qelmar {

// A fixture text that QelmarLoadFixtureFile reads whole is at most this large
// (a fixture compiled into a store directory has no limit).
inline constexpr std::size_t kFixtureSizeLimit = std::size_t{256} << 20;

// Compiles a fixture text, or a fixture file, into output; false, with the
// reason (which names the place of a mistake), when it is not a fixture.
bool CompileFixtureText(std::string_view fixture, StoreOutput& output, std::string& error);
bool CompileFixtureFile(const std::string& path, StoreOutput& output, std::string& error);

// false, with the reason, for a path that is missing, a directory or not a
// regular file (a device, pipe or socket).
bool CheckFixtureFile(const std::string& path, std::string& error);
// Reads a fixture file into text; false, with the reason, for a file that
// CheckFixtureFile refuses or that is larger than kFixtureSizeLimit.
bool ReadFixtureFile(const std::string& path, std::string& text, std::string& error);

}  // namespace qelmar
