#include "record_format.h"

#include <charconv>
#include <cstring>

namespace zemtra::records {

namespace {

constexpr size_t kTableTimeWidth = 14;
// Wide enough for the longest grouped value: "-6,480,214.2113" mm/s.
constexpr size_t kTableValueWidth = 16;

units::DisplayMode ModeOf(Units units) {
  switch (units) {
    case Units::kMillimetre:
      return units::DisplayMode::kMillimetre;
    case Units::kInch:
      return units::DisplayMode::kInch;
    case Units::kRaw:
      break;
  }
  return units::DisplayMode::kRawDec;
}

const char* UnitSuffix(Units units, bool velocity) {
  switch (units) {
    case Units::kMillimetre:
      return velocity ? "_mm_s" : "_mm";
    case Units::kInch:
      return velocity ? "_in_s" : "_in";
    case Units::kRaw:
      break;
  }
  return "";
}

}  // namespace

bool Sample::AllValid() const {
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    if (!Valid(axis)) return false;
  }
  return true;
}

void LineBuilder::Add(std::string_view text) {
  std::memcpy(text_.data() + length_, text.data(), text.size());
  length_ += text.size();
}

void LineBuilder::AddInteger(int64_t value) {
  length_ = static_cast<size_t>(std::to_chars(text_.data() + length_, text_.data() + text_.size(), value).ptr -
                                text_.data());
}

void LineBuilder::AddDouble(double value) {
  length_ = static_cast<size_t>(std::to_chars(text_.data() + length_, text_.data() + text_.size(), value).ptr -
                                text_.data());
}

void LineBuilder::AddSeconds(int64_t nanoseconds) {
  if (nanoseconds < 0) {
    AddChar('-');
    nanoseconds = -nanoseconds;
  }
  AddInteger(nanoseconds / 1'000'000'000);
  AddChar('.');
  // Nine digits with leading zeros, written in place: this runs once per record.
  auto fraction = static_cast<uint32_t>(nanoseconds % 1'000'000'000);
  char* digits = text_.data() + length_;
  for (int i = 8; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  length_ += 9;
}

void LineBuilder::AddRightAligned(std::string_view text, size_t width) {
  for (size_t i = text.size(); i < width; ++i) AddChar(' ');
  Add(text);
}

RecordFormatter::RecordFormatter(Format format, Units units, const FoldFactors& folds,
                                 units::Separators separators)
    : format_(format),
      units_(units),
      folds_(folds),
      separators_(std::move(separators)),
      settings_(units::SettingsFor(ModeOf(units))) {
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    for (int velocity = 0; velocity < 2; ++velocity) {
      jsonKeys_[static_cast<size_t>(2 * axis + velocity)] = "\"" + ColumnName(axis, velocity != 0) + "\": ";
    }
  }
}

std::string RecordFormatter::ColumnName(int axis, bool velocity) const {
  return "a" + std::to_string(axis + 1) + (velocity ? "_vel" : "_pos") + UnitSuffix(units_, velocity);
}

std::string RecordFormatter::Header() const {
  LineBuilder line;
  switch (format_) {
    case Format::kTable:
      line.AddRightAligned("time_s", kTableTimeWidth);
      for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
        for (const bool velocity : {false, true}) line.AddRightAligned(ColumnName(axis, velocity), kTableValueWidth);
      }
      break;
    case Format::kCsv:
      line.Add("time_s");
      for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
        for (const bool velocity : {false, true}) {
          line.AddChar(',');
          line.Add(ColumnName(axis, velocity));
        }
        line.Add(",a");
        line.AddInteger(axis + 1);
        line.Add("_valid");
      }
      break;
    case Format::kJson:
      return {};
  }
  line.AddChar('\n');
  return std::string(line.view());
}

void RecordFormatter::AddValue(LineBuilder& line, int32_t count, uint16_t fold, bool velocity) const {
  if (units_ == Units::kRaw) {
    line.AddInteger(count);
  } else {
    line.AddDouble(units::ConvertCount(velocity ? settings_.velocityScale : settings_.positionScale, fold, count));
  }
}

void RecordFormatter::FormatTable(const Sample& sample, LineBuilder& line) const {
  LineBuilder time;
  time.AddSeconds(sample.elapsedNs);
  line.AddRightAligned(time.view(), kTableTimeWidth);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const size_t a = static_cast<size_t>(axis);
    for (const bool velocity : {false, true}) {
      const int32_t count = velocity ? sample.velocity[a] : sample.position[a];
      if (!sample.Valid(axis)) {
        line.AddRightAligned("invalid", kTableValueWidth);
      } else if (units_ == Units::kRaw) {
        LineBuilder value;
        value.AddInteger(count);
        line.AddRightAligned(value.view(), kTableValueWidth);
      } else {
        const double scale = velocity ? settings_.velocityScale : settings_.positionScale;
        const std::string_view pattern = velocity ? units::kVelocityPattern : settings_.positionPattern;
        line.AddRightAligned(
            units::FormatPattern(units::ConvertCount(scale, folds_[a], count), pattern, separators_),
            kTableValueWidth);
      }
    }
  }
}

void RecordFormatter::FormatCsv(const Sample& sample, LineBuilder& line) const {
  line.AddSeconds(sample.elapsedNs);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const size_t a = static_cast<size_t>(axis);
    const bool valid = sample.Valid(axis);
    line.AddChar(',');
    if (valid) AddValue(line, sample.position[a], folds_[a], false);
    line.AddChar(',');
    if (valid) AddValue(line, sample.velocity[a], folds_[a], true);
    line.Add(valid ? ",1" : ",0");
  }
}

void RecordFormatter::FormatJson(const Sample& sample, LineBuilder& line) const {
  line.Add("{\"time_s\": ");
  line.AddSeconds(sample.elapsedNs);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const size_t a = static_cast<size_t>(axis);
    const bool valid = sample.Valid(axis);
    for (const bool velocity : {false, true}) {
      line.Add(", ");
      line.Add(jsonKeys_[2 * a + (velocity ? 1 : 0)]);
      if (valid) {
        AddValue(line, velocity ? sample.velocity[a] : sample.position[a], folds_[a], velocity);
      } else {
        line.Add("null");
      }
    }
    line.Add(", \"a");
    line.AddInteger(axis + 1);
    line.Add(valid ? "_valid\": true" : "_valid\": false");
  }
  line.AddChar('}');
}

void RecordFormatter::AddRecord(const Sample& sample, LineBuilder& line) const {
  switch (format_) {
    case Format::kTable:
      FormatTable(sample, line);
      break;
    case Format::kCsv:
      FormatCsv(sample, line);
      break;
    case Format::kJson:
      FormatJson(sample, line);
      break;
  }
  line.AddChar('\n');
}

}  // namespace zemtra::records
