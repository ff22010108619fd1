// What the export is compared with: the bare writer (the floor) and a peer,
// Debian's sqlite3 writing the same rows to CSV.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace bench {

struct WriteFigures {
  bool ran = false;
  double seconds = 0;
  std::size_t bytes = 0;
  std::size_t rows = 0;
  std::string note;  // why it did not run
};

// The floor: every line of the export in `from` (its eight files), held in
// memory as Mazovia text, written again to `to` with a 256-entry UTF-8 table
// and fprintf, line by line: the same bytes with no formatting and no host.
// Only the writing is timed.
WriteFigures BareWriter(const std::filesystem::path& from, const std::filesystem::path& to);

// The peer: the export's own rows (each line split on ';'; a header line is
// a row too) loaded into an sqlite database under `work`, one table per
// output file (not timed); then sqlite3, run as a child process, writes every
// table to its own CSV file (.mode csv, .output FILE, SELECT *), and only
// that run is timed. `sqlite3` is the program to run.
WriteFigures SqlitePeer(const std::string& sqlite3, const std::filesystem::path& from,
                        const std::filesystem::path& work);

}  // namespace bench
