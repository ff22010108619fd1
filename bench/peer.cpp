#include "peer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "export/output_files.h"
#include "host/mazovia.h"
#include "measure.h"

extern char** environ;

namespace bench {

namespace {

namespace fs = std::filesystem;
namespace dh = dravenhol;
namespace mazovia = dravenhol::mazovia;

// The lines of a file without their line ends.
std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Mazovia text of a UTF-8 line (the export's lines hold only Mazovia characters).
std::string ToMazovia(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const int byte = mazovia::FromUnicode(mazovia::DecodeUtf8(utf8.data(), utf8.size(), i));
    out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  return out;
}

// Bytes and lines of the files named in the table of output files under dir.
void CountOutput(const fs::path& dir, WriteFigures& figures) {
  for (const dh::OutputFileEntry& file : dh::kOutputFiles) {
    std::ifstream in(dir / file.file.name, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    figures.bytes += text.size();
    figures.rows += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
}

// Runs a program with its standard input read from `input` and its standard
// output discarded (errors still reach standard error). True when it
// ran and exited with 0; otherwise `note` says why.
bool Run(const std::vector<std::string>& arguments, const fs::path& input, std::string& note) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);  // what the pragmas answer
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    note = arguments[0] + ": " + std::strerror(error) + " (Debian's package sqlite3)";
    return false;
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    note = arguments[0] + " failed";
    return false;
  }
  return true;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

}  // namespace

WriteFigures BareWriter(const fs::path& from, const fs::path& to) {
  std::vector<std::vector<std::string>> files;
  for (const dh::OutputFileEntry& file : dh::kOutputFiles) {
    std::vector<std::string> lines = ReadLines(from / file.file.name);
    for (std::string& line : lines) line = ToMazovia(line);
    files.push_back(std::move(lines));
  }
  std::string table[256];
  for (int b = 0; b < 256; ++b) {
    char utf8[4];
    table[b].assign(
        utf8, static_cast<std::size_t>(mazovia::EncodeUtf8(mazovia::ToUnicode(static_cast<unsigned char>(b)), utf8)));
  }
  fs::create_directories(to);
  WriteFigures figures;
  const auto start = Clock::now();
  for (std::size_t f = 0; f < files.size(); ++f) {
    std::FILE* out = std::fopen((to / dh::kOutputFiles[f].file.name).string().c_str(), "wb");
    if (out == nullptr) {
      figures.note = "cannot write " + (to / dh::kOutputFiles[f].file.name).string();
      return figures;
    }
    char utf8[4 * 5002 + 3];
    for (const std::string& line : files[f]) {
      std::size_t n = 0;
      for (const char c : line)
        for (const char u : table[static_cast<unsigned char>(c)]) utf8[n++] = u;
      utf8[n] = '\0';
      figures.bytes += static_cast<std::size_t>(std::fprintf(out, "%s\r\n", utf8));
      ++figures.rows;
    }
    std::fclose(out);
  }
  figures.seconds = Seconds(start);
  figures.ran = true;
  return figures;
}

WriteFigures SqlitePeer(const std::string& sqlite3, const fs::path& from, const fs::path& work) {
  WriteFigures figures;
  fs::remove_all(work);
  fs::create_directories(work / "csv");
  const fs::path database = work / "peer.db";
  std::ofstream load(work / "load.sql", std::ios::binary);
  std::ofstream dump(work / "export.sql", std::ios::binary);
  load << "PRAGMA journal_mode=OFF;\nPRAGMA synchronous=OFF;\n";
  dump << ".mode csv\n.headers off\n";
  for (std::size_t f = 0; f < dh::kOutputFiles.size(); ++f) {
    // Each row as wide as the file's widest line; fields apart by 0x1F, rows by 0x1E.
    const std::vector<std::string> lines = ReadLines(from / dh::kOutputFiles[f].file.name);
    std::size_t columns = 1;
    for (const std::string& line : lines)
      columns = std::max(columns, static_cast<std::size_t>(std::count(line.begin(), line.end(), ';')) + 1);
    const fs::path rows = work / ("t" + std::to_string(f) + ".txt");
    std::ofstream out(rows, std::ios::binary);
    for (std::string line : lines) {
      const std::size_t fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ';')) + 1;
      std::replace(line.begin(), line.end(), ';', '\x1f');
      out << line << std::string(columns - fields, '\x1f') << '\x1e';
    }
    const std::string table = "t" + std::to_string(f);
    load << "CREATE TABLE " << table << "(c1";
    for (std::size_t c = 2; c <= columns; ++c) load << ",c" << c;
    load << ");\n.import --ascii " << Quoted(rows) << " " << table << "\n";
    dump << ".output " << Quoted(work / "csv" / dh::kOutputFiles[f].file.name) << "\nSELECT * FROM " << table << ";\n";
  }
  dump << ".output stdout\n";
  load.close();
  dump.close();

  const std::vector<std::string> command = {sqlite3, "-batch", database.string()};
  if (!Run(command, work / "load.sql", figures.note)) return figures;
  const auto start = Clock::now();
  if (!Run(command, work / "export.sql", figures.note)) return figures;
  figures.seconds = Seconds(start);
  figures.ran = true;
  CountOutput(work / "csv", figures);
  return figures;
}

}  // namespace bench
