// The text of one sample in the three output formats: an aligned table for
// people, CSV and JSON Lines for programs. Built without iostreams or heap
// allocation in the machine formats, since it runs once per sample. Shared by
// the command-line tool and the monitor's plot export, so that both write the
// same columns in the same units.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "display_units.h"
#include "zemtra_registers.h"

namespace zemtra::records {

enum class Units { kRaw, kMillimetre, kInch };
enum class Format { kTable, kCsv, kJson };

struct Sample {
  int64_t elapsedNs = 0;  // on the monotonic clock, since sampling began
  std::array<int32_t, ZEMTRA_AXIS_COUNT> position{};
  std::array<int32_t, ZEMTRA_AXIS_COUNT> velocity{};
  uint16_t sampleStatus = 0;  // the sample valid bits tell which axes were read

  bool Valid(int axis) const { return (sampleStatus & ZemtraAxisRegisters[axis].sampleValid) != 0; }
  bool AllValid() const;
};

// Fold factor of each axis, A1 first.
using FoldFactors = std::array<uint16_t, ZEMTRA_AXIS_COUNT>;

// A line under construction in a fixed buffer; long enough for any record.
class LineBuilder {
 public:
  void Add(std::string_view text);
  void AddChar(char c) { text_[length_++] = c; }
  void AddInteger(int64_t value);
  // The shortest decimal form that reads back as exactly this double.
  void AddDouble(double value);
  // Seconds with nine decimals.
  void AddSeconds(int64_t nanoseconds);
  void AddRightAligned(std::string_view text, size_t width);

  std::string_view view() const { return {text_.data(), length_}; }
  void clear() { length_ = 0; }

 private:
  std::array<char, 1024> text_{};
  size_t length_ = 0;
};

class RecordFormatter {
 public:
  RecordFormatter(Format format, Units units, const FoldFactors& folds, units::Separators separators);

  // Column titles, with the line end; empty for JSON Lines.
  std::string Header() const;
  // One record and its line end. Invalid axes get "invalid" (table), empty
  // fields (CSV) or null (JSON) for their values and a false valid flag.
  void AddRecord(const Sample& sample, LineBuilder& line) const;

 private:
  void AddValue(LineBuilder& line, int32_t count, uint16_t fold, bool velocity) const;
  void FormatTable(const Sample& sample, LineBuilder& line) const;
  void FormatCsv(const Sample& sample, LineBuilder& line) const;
  void FormatJson(const Sample& sample, LineBuilder& line) const;
  std::string ColumnName(int axis, bool velocity) const;

  Format format_;
  Units units_;
  FoldFactors folds_;
  units::Separators separators_;
  units::ModeSettings settings_;
  std::array<std::string, 2 * ZEMTRA_AXIS_COUNT> jsonKeys_;  // "\"a1_pos\": " and so on
};

}  // namespace zemtra::records
