#include "progress_display.h"

#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#define DRAVENHOL_ISATTY _isatty
#define DRAVENHOL_FILENO _fileno
#else
#include <unistd.h>
#define DRAVENHOL_ISATTY isatty
#define DRAVENHOL_FILENO fileno
#endif

namespace qelmar_tool {

namespace {
constexpr auto kRefresh = std::chrono::milliseconds(250);

double SecondsSince(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}
}  // namespace

ProgressDisplay::ProgressDisplay() : active_(DRAVENHOL_ISATTY(DRAVENHOL_FILENO(stderr)) != 0) {
  if (active_) QelmarSetProgressSink(&ProgressDisplay::Receive, this);
}

ProgressDisplay::~ProgressDisplay() {
  if (active_) QelmarSetProgressSink(nullptr, nullptr);
}

void ProgressDisplay::Receive(const QelmarProgress* progress, void* context) {
  static_cast<ProgressDisplay*>(context)->On(*progress);
}

ProgressDisplay::File* ProgressDisplay::Find(const std::string& name) {
  for (File& file : files_)
    if (file.name == name) return &file;
  return nullptr;
}

void ProgressDisplay::On(const QelmarProgress& progress) {
  char text[256];
  switch (progress.event) {
    case QELMAR_PROGRESS_OPENED:
      if (File* file = Find(progress.file); file != nullptr)
        *file = File{progress.file, 0, Clock::now(), 0};
      else
        files_.push_back(File{progress.file, 0, Clock::now(), 0});
      return;
    case QELMAR_PROGRESS_LINE:
    case QELMAR_PROGRESS_CLOSED: {
      File* file = Find(progress.file);
      if (file == nullptr) return;
      file->lines = progress.lines;
      if (progress.event == QELMAR_PROGRESS_CLOSED) file->seconds = SecondsSince(file->opened);
      std::snprintf(text, sizeof text, "%s: %lld %s, %.1f s", file->name.c_str(), static_cast<long long>(file->lines),
                    file->lines == 1 ? "line" : "lines", SecondsSince(start_));
      Refresh(text, false);
      return;
    }
    case QELMAR_PROGRESS_SCAN:
      std::snprintf(text, sizeof text, "discount data file: record %d of %d, %.1f s", progress.scanRecord + 1,
                    progress.scanCount, SecondsSince(start_));
      Refresh(text, false);
      return;
    default:
      return;
  }
}

void ProgressDisplay::Refresh(const std::string& text, bool now) {
  const Clock::time_point at = Clock::now();
  if (!now && at - shown_ < kRefresh) return;
  shown_ = at;
  std::cerr << "\r\033[K" << text << std::flush;
  lineShown_ = true;
}

void ProgressDisplay::ClearLine() {
  if (!lineShown_) return;
  std::cerr << "\r\033[K" << std::flush;
  lineShown_ = false;
}

void ProgressDisplay::Summary(const std::filesystem::path& directory) {
  if (!active_) return;
  ClearLine();
  if (files_.empty()) return;
  char row[256];
  std::snprintf(row, sizeof row, "%-22s %12s %14s %9s\n", "file", "lines", "bytes", "seconds");
  std::cerr << row;
  for (const File& file : files_) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(directory / file.name, ec);
    std::snprintf(row, sizeof row, "%-22s %12lld %14lld %9.2f\n", file.name.c_str(), static_cast<long long>(file.lines),
                  ec ? -1LL : static_cast<long long>(size), file.seconds);
    std::cerr << row;
  }
  std::snprintf(row, sizeof row, "%-22s %12s %14s %9.2f\n", "whole export", "", "", SecondsSince(start_));
  std::cerr << row;
}

}  // namespace qelmar_tool
