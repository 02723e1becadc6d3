// ParseInteger: a table of the accepted forms and of near misses, and an
// independent reference (a regular expression for the accepted forms and
// wide-integer range checks) over more than a million generated texts that mix
// valid, near-valid and random input.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <string_view>

#include "number_entry.h"

namespace {

using zemtra::units::ParseInteger;
using namespace std::literals;

struct Entry {
  std::string_view text;
  std::optional<int32_t> value = std::nullopt;  // refused
};

void PrintTo(const Entry& entry, std::ostream* os) { *os << '"' << entry.text << '"'; }

const Entry kEntries[] = {
    {"1000", 1000}, {"-1", -1}, {"+17", 17}, {"-0", 0}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
    {"000000000000000000042", 42}, {"0x000003E8", 1000}, {"0X3e8", 1000}, {"$FFFFFFFF", -1},
    {"0x80000000", INT32_MIN}, {"$0", 0},
    // Our decision for the preset boxes: blanks before the number are skipped.
    {" 12", 12}, {"\t \t-12", -12}, {"   0x10", 16},
    {""}, {" "}, {"\t"}, {"+"}, {"-"}, {"$"}, {"0x"}, {"0X"}, {"12a"}, {"12 "}, {"1.0"}, {"1,000"}, {"1e3"},
    {"0x 1"}, {"0x-1"}, {"-0x1"}, {"+$1"}, {"$$1"}, {"x10"}, {"0x123456789"}, {"$000000000"}, {"2147483648"},
    {"-2147483649"}, {"99999999999"}, {"\n12"}, {"\v12"}, {"\r12"}, {"12\n"}, {"0xG"}, {"--1"}, {"+-1"}, {"1-"},
    {"0b101"}, {"\xD9\xA3"}, {"1\xC2\xA0"}, {"12\0"sv}, {"\0" "12"sv},
};

TEST(ParseInteger, GivesTheValueOrRefuses) {
  for (const Entry& entry : kEntries) EXPECT_EQ(ParseInteger(entry.text), entry.value) << testing::PrintToString(entry);
}

// Leading blanks (spaces, tabs), then a signed decimal or a "$"/"0x"/"0X"
// prefix with 1 to 8 hexadecimal digits, and nothing after.
std::optional<int32_t> Reference(const std::string& text) {
  static const std::regex grammar(R"(^[ \t]*(?:([+-]?)([0-9]+)|(?:\$|0[xX])([0-9A-Fa-f]{1,8}))$)");
  std::smatch match;
  // std::regex stops at nothing, but an embedded NUL must not pass for an end.
  if (text.find('\0') != std::string::npos || !std::regex_match(text, match, grammar)) return std::nullopt;
  if (match[3].matched) return static_cast<int32_t>(static_cast<uint32_t>(std::stoull(match[3].str(), nullptr, 16)));
  std::string digits = match[2].str();
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 10) return std::nullopt;
  const int64_t value = (match[1].str() == "-" ? -1 : 1) * std::stoll(digits);
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

// Texts built from the grammar's pieces: blanks, a sign or prefix (or the start
// of a number near a 32-bit limit), digits, often bent out of shape by an edit.
class TextGenerator {
 public:
  explicit TextGenerator(uint32_t seed) : random_(seed) {}

  std::string Next() {
    static const std::string_view kStarts[] = {"", "", " ", "\t\t", " \r", "\n", "+", "-", "0x", "0X", "$", "x", "$$",
                                               "+0x", "-$", "0x0x", "2147483", "-2147483", "+0002147483", "0xFFFFFFF"};
    std::string text(kStarts[Pick(0, std::size(kStarts) - 1)]);
    const bool hex = text.find_first_of("x$") != std::string::npos;
    const int length = Pick(0, 1) ? (hex ? Pick(1, 8) : Pick(3, 12)) : Pick(0, 20);
    for (int i = 0; i < length; ++i) text += Choose(hex ? "0123456789abcdefABCDEF" : "0123456789");
    for (int edits = static_cast<int>(Pick(0, 4)) - 2; edits > 0; --edits) {
      const size_t at = Pick(0, text.size());
      if (Pick(0, 1) || at == text.size()) {
        text.insert(at, 1, Choose("0123456789abcdefxX$+-., \t\0gG\xff\xd9"sv));
      } else {
        text.erase(at, 1);
      }
    }
    return text;
  }

 private:
  size_t Pick(size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(random_); }
  char Choose(std::string_view set) { return set[Pick(0, set.size() - 1)]; }

  std::mt19937 random_;
};

TEST(ParseInteger, AgreesWithTheReferenceOnAMillionGeneratedTexts) {
  constexpr int kTexts = 1'200'000;
  TextGenerator generator(20261206);
  int accepted = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::string text = generator.Next();
    const auto expected = Reference(text);
    ASSERT_EQ(expected, ParseInteger(text)) << "text \"" << text << "\" (" << text.size() << " bytes)";
    accepted += expected.has_value();
  }
  // The generator must exercise both outcomes in earnest.
  EXPECT_GT(accepted, kTexts / 5);
  EXPECT_LT(accepted, kTexts * 4 / 5);
}

}  // namespace
