// ParseInteger against an independent reference: a regular expression for the
// accepted forms and wide-integer range checks, over edge cases and over more
// than a million generated texts that mix valid, near-valid and random input.
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

// Leading blanks (spaces, tabs), then a signed decimal or a "$"/"0x"/"0X"
// prefix with 1 to 8 hexadecimal digits, and nothing after.
const std::regex& Grammar() {
  static const std::regex grammar(R"(^[ \t]*(?:([+-]?)([0-9]+)|(?:\$|0[xX])([0-9A-Fa-f]{1,8}))$)");
  return grammar;
}

std::optional<int32_t> Reference(std::string_view text) {
  // std::regex stops at nothing, but an embedded NUL must not pass for an end.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string s(text);
  std::smatch match;
  if (!std::regex_match(s, match, Grammar())) return std::nullopt;
  if (match[3].matched) {
    return static_cast<int32_t>(static_cast<uint32_t>(std::stoull(match[3].str(), nullptr, 16)));
  }
  std::string digits = match[2].str();
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 10) return std::nullopt;
  int64_t magnitude = std::stoll(digits);
  const int64_t value = match[1].str() == "-" ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

void ExpectSame(std::string_view text) {
  const auto expected = Reference(text);
  const auto actual = ParseInteger(text);
  ASSERT_EQ(expected, actual) << "text \"" << std::string(text) << "\" (" << text.size() << " bytes)";
}

TEST(ParseInteger, AcceptsTheDocumentedForms) {
  EXPECT_EQ(ParseInteger("1000"), 1000);
  EXPECT_EQ(ParseInteger("-1"), -1);
  EXPECT_EQ(ParseInteger("+17"), 17);
  EXPECT_EQ(ParseInteger("-0"), 0);
  EXPECT_EQ(ParseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInteger("000000000000000000042"), 42);
  EXPECT_EQ(ParseInteger("0x000003E8"), 1000);
  EXPECT_EQ(ParseInteger("0X3e8"), 1000);
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("0x80000000"), INT32_MIN);
  EXPECT_EQ(ParseInteger("$0"), 0);
}

// Our decision for the preset boxes: blanks before the number are skipped.
TEST(ParseInteger, SkipsLeadingBlanks) {
  EXPECT_EQ(ParseInteger(" 12"), 12);
  EXPECT_EQ(ParseInteger("\t \t-12"), -12);
  EXPECT_EQ(ParseInteger("   0x10"), 16);
}

TEST(ParseInteger, RefusesEverythingElse) {
  for (std::string_view text :
       {"", " ", "\t", "+", "-", "$", "0x", "0X", "12a", "12 ", "1.0", "1,000", "1e3", "0x 1", "0x-1", "-0x1",
        "+$1", "$$1", "x10", "0x123456789", "$000000000", "2147483648", "-2147483649", "99999999999",
        "\n12", "\v12", "\r12", "12\n", "0xG", "--1", "+-1", "1-", "0b101", "\xD9\xA3", "1\xC2\xA0"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << '"' << text << '"';
  }
  EXPECT_EQ(ParseInteger(std::string_view("12\0", 3)), std::nullopt);
  EXPECT_EQ(ParseInteger(std::string_view("\0" "12", 3)), std::nullopt);
}

TEST(ParseInteger, ReferenceAgreesOnTheEdgeCases) {
  for (std::string_view text : {"0", "-0", "+0", "$00000000", "0xffffffff", "4294967295", "-4294967296",
                                "2147483647", "-2147483648", "02147483647", "-002147483648"}) {
    ExpectSame(text);
  }
}

// Texts built from the grammar's pieces, each piece sometimes bent out of shape.
class TextGenerator {
 public:
  explicit TextGenerator(uint32_t seed) : random_(seed) {}

  std::string Next() {
    std::string text;
    const int blanks = Pick(0, 3) == 0 ? Pick(1, 3) : 0;
    for (int i = 0; i < blanks; ++i) text += Choose(" \t \t\n\v\r");
    switch (Pick(0, 9)) {
      case 0: case 1: case 2: text += Decimal(); break;
      case 3: text += NearLimit(); break;
      case 4: case 5: case 6: text += Hexadecimal(); break;
      case 7: text += RandomBytes(Pick(0, 12)); break;
      default: text += Pick(0, 1) ? Decimal() : Hexadecimal(); Mutate(text); break;
    }
    if (Pick(0, 15) == 0) text += Choose(" .,ae5x\0-$"sv);
    return text;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  char Choose(std::string_view set) { return set[static_cast<size_t>(Pick(0, static_cast<int>(set.size()) - 1))]; }

  std::string Digits(std::string_view alphabet, int count) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += Choose(alphabet);
    return digits;
  }

  std::string Decimal() {
    std::string text;
    if (Pick(0, 2) == 0) text += Choose("+-");
    // Lengths around ten digits cross the 32-bit limits most often.
    text += Digits("0123456789", Pick(0, 1) ? Pick(8, 12) : Pick(0, 20));
    return text;
  }

  std::string NearLimit() {
    const int64_t limits[] = {INT32_MIN, INT32_MAX, UINT32_MAX, 0};
    const int64_t value = limits[Pick(0, 3)] + Pick(-1000, 1000);
    std::string text = std::to_string(value);
    if (value >= 0 && Pick(0, 1)) text.insert(0, 1, '+');
    if (Pick(0, 3) == 0) text.insert(text[0] == '-' || text[0] == '+' ? 1 : 0, std::string(Pick(1, 3), '0'));
    return text;
  }

  std::string Hexadecimal() {
    static const std::string_view prefixes[] = {"0x", "0X", "$", "0x", "$", "x", "0", "$$", "0x0x", "+0x", "-$"};
    std::string text(prefixes[Pick(0, 10)]);
    text += Digits("0123456789abcdefABCDEF", Pick(0, 1) ? Pick(1, 8) : Pick(0, 11));
    return text;
  }

  std::string RandomBytes(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>(Pick(0, 255));
    return text;
  }

  void Mutate(std::string& text) {
    const int edits = Pick(1, 2);
    for (int i = 0; i < edits; ++i) {
      const size_t at = static_cast<size_t>(Pick(0, static_cast<int>(text.size())));
      switch (Pick(0, 2)) {
        case 0: text.insert(at, 1, Choose("0123456789abcdefxX$+-., \t\0gG\xff"sv)); break;
        case 1: if (at < text.size()) text.erase(at, 1); break;
        default: if (at < text.size()) text[at] = Choose("0123456789aFxX$+- .\0"sv); break;
      }
    }
  }

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
