// The export's progress on a terminal: the file being written with its lines
// and elapsed time, refreshed a few times a second, the discount pass's scan,
// and at the end a table of each file with its lines, size and time. Shown
// on standard error, and only when it is a terminal; the transcript on
// standard output is untouched.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "qelmar/qelmar.h"

namespace qelmar_tool {

class ProgressDisplay {
 public:
  // Starts listening when standard error is a terminal.
  ProgressDisplay();
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // The table of the files, their sizes read from `directory`.
  void Summary(const std::filesystem::path& directory);
  // Clears the progress line, if one is shown, before other output follows.
  void ClearLine();

 private:
  using Clock = std::chrono::steady_clock;
  struct File {
    std::string name;
    int64_t lines = 0;
    Clock::time_point opened;
    double seconds = 0;
  };

  static void Receive(const QelmarProgress* progress, void* context);
  void On(const QelmarProgress& progress);
  File* Find(const std::string& name);
  void Refresh(const std::string& text, bool now);

  bool active_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point shown_{};
  bool lineShown_ = false;
  std::vector<File> files_;
};

}  // namespace qelmar_tool
