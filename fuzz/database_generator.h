// Random databases for whole sessions: random record bytes in every data file
// (unterminated texts, NaN and huge amounts, odd identifiers), records shorter
// than the module expects, random items, attributes, group names and
// imiona.txt, and write failures to inject. The choices come from a Source:
// a seeded generator (database_fuzz --seed) or the bytes of a libFuzzer input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

namespace dravenhol::fuzz {

using Json = nlohmann::json;

class Source {
 public:
  virtual ~Source() = default;
  // A number in [0, n).
  virtual int Below(int n) = 0;
  virtual bool Chance(int percent) { return Below(100) < percent; }
  // Record bytes taken as they are, when the source has them; false: the
  // generator makes them from Below and Chance.
  virtual bool TakeBytes(std::size_t, std::string&) { return false; }
};

class SeededSource : public Source {
 public:
  explicit SeededSource(unsigned seed) : random_(seed) {}
  int Below(int n) override { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

 private:
  std::mt19937 random_;
};

// Decisions from the input's end, record bytes from its front; an exhausted
// input decides 0 and no.
class BytesSource : public Source {
 public:
  BytesSource(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Below(int n) override;
  bool Chance(int percent) override;
  bool TakeBytes(std::size_t length, std::string& bytes) override;

 private:
  const uint8_t* data_;
  std::size_t size_;
};

// A fixture (docs/fixture-format.md) whose choices come from source.
Json RandomFixture(Source& source);

// Host failures to inject into a run that made printfCalls writes when
// nothing failed: writes failing from some call on, closes failing for some
// files (their names go to closeFailures). Empty when none were chosen.
Json RandomWriteFailures(Source& source, int64_t printfCalls, std::vector<std::string>& closeFailures);

}  // namespace dravenhol::fuzz
