// Number forms against an exact integer reference (a double is m x 2^e, so value x 10^d
// = m x 5^d x 2^(e+d)); ParseInteger against a reference over a million generated texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <string_view>

#include "display_units.h"
#include "number_entry.h"

namespace {

namespace units = zemtra::units;
using units::ParseInteger;
using namespace std::literals;
__extension__ typedef unsigned __int128 u128;  // wide enough for m x 5^9

const units::Separators kEnglish{".", ","};
const units::Separators kGerman{",", "."};
constexpr auto kMm = units::kMmPositionPattern;
constexpr auto kInch = units::kInchPositionPattern;
constexpr auto kVelocity = units::kVelocityPattern;

// |value| x 10^decimals, rounded half away from zero, exactly.
u128 ScaleExactly(double value, int decimals) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  u128 n = static_cast<uint64_t>(std::ldexp(fraction, 53));
  for (int i = 0; i < decimals; ++i) n *= 5;
  const int shift = 53 - exponent - decimals;  // value x 10^d = n / 2^shift
  if (shift <= 0) return n << -shift;
  if (shift >= 100) return 0;  // far below one unit of the last place
  const u128 dropped = n & ((u128{1} << shift) - 1);
  return (n >> shift) + (dropped >= (u128{1} << (shift - 1)) ? 1 : 0);
}

std::string Reference(double value, int decimals, const units::Separators& separators) {
  std::string digits;
  for (u128 rest = ScaleExactly(value, decimals); rest != 0 || digits.size() <= static_cast<size_t>(decimals);
       rest /= 10) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
  }
  const std::string integer = digits.substr(0, digits.size() - decimals);
  std::string grouped;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) grouped += separators.group;
    grouped += integer[i];
  }
  const bool negative = std::signbit(value) && digits.find_first_not_of('0') != std::string::npos;
  return (negative ? "-" : "") + grouped + separators.decimal + digits.substr(integer.size());
}

struct Example {
  double value;
  std::string_view pattern;
  const char *english, *german;
};

// Converted counts are checked in these forms through the tool's read table and the monitor's locale test.
const Example kExamples[] = {
    {1235.975858283826, kMm, "1,235.97585828", "1.235,97585828"},
    {-1e-10, kMm, "0.00000000", "0,00000000"},  // no minus sign on a zero
    // Binary fractions exactly on a half in the last place, and the doubles just short of one.
    {1.0 / 32, kVelocity, "0.0313", "0,0313"},
    {-1.0 / 1024, kInch, "-0.000976563", "-0,000976563"},
    {std::nextafter(1.0 / 32, 0.0), kVelocity, "0.0312", "0,0312"},
    {std::nextafter(-1.0 / 512, 0.0), kMm, "-0.00195312", "-0,00195312"},
    // Rounding up carries into a new group of the integer part.
    {999999.99996, kVelocity, "1,000,000.0000", "1.000.000,0000"},
    {-999.99999999951, kInch, "-1,000.000000000", "-1.000,000000000"},
    // Only a fold factor of 0 could give these.
    {HUGE_VAL, kVelocity, "INF", "INF"},
    {-HUGE_VAL, kMm, "-INF", "-INF"},
    {std::nan(""), kInch, "NaN", "NaN"},
};

class FormatPattern : public testing::TestWithParam<Example> {};

TEST_P(FormatPattern, InEnglishAndGermanWhateverTheProcessLocale) {
  // A GUI program runs in the user's C locale; a German one must not make the point a comma.
  const Example& example = GetParam();
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  for (const char* process : {"C", "de_DE.UTF-8"}) {
    if (std::setlocale(LC_ALL, process) == nullptr) continue;  // not installed here
    EXPECT_EQ(units::FormatPattern(example.value, example.pattern, kEnglish), example.english) << process;
    EXPECT_EQ(units::FormatPattern(example.value, example.pattern, kGerman), example.german) << process;
  }
  std::setlocale(LC_ALL, previous.c_str());
}

INSTANTIATE_TEST_SUITE_P(Units, FormatPattern, testing::ValuesIn(kExamples));

TEST(DisplayUnits, SeparatorsOfOtherLocales) {
  const units::Separators swiss{".", "\xE2\x80\x99"};  // right single quotation mark
  EXPECT_EQ(units::FormatPattern(-1234567.5, kVelocity, swiss), "-1\xE2\x80\x99" "234\xE2\x80\x99" "567.5000");
  EXPECT_EQ(units::FormatPattern(1234567.5, kVelocity, {",", ""}), "1234567,5000");
}

TEST(DisplayUnits, EveryFormAgreesWithTheExactReference) {
  struct Form { double scale; std::string_view pattern; int decimals; };
  const Form forms[] = {{units::kMmPositionScale, kMm, 8}, {units::kInchPositionScale, kInch, 9},
                        {units::kMmVelocityScale, kVelocity, 4}, {units::kInchVelocityScale, kVelocity, 4}};
  std::mt19937 random(4711);
  std::uniform_int_distribution<int32_t> anyCount(INT32_MIN, INT32_MAX), smallCount(-100000, 100000);
  for (const Form& form : forms) {
    for (const uint16_t fold : {2, 4, 8}) {
      for (int i = 0; i < 20006; ++i) {
        const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX};
        const int32_t count = i < 6 ? edges[i] : i % 2 ? anyCount(random) : smallCount(random);
        const double value = units::ConvertCount(form.scale, fold, count);
        ASSERT_EQ(units::FormatPattern(value, form.pattern, kGerman), Reference(value, form.decimals, kGerman))
            << "fold " << fold << " count " << count;
      }
    }
  }
}

// The scales are checked against the wavelength by the command-line tool's read.
TEST(DisplayUnits, RawFormsAndTheFoldDividedFirst) {
  // The order of the conversion shows in the last bit for this count.
  EXPECT_EQ(units::ConvertCount(units::kMmPositionScale, 8, 123456789), units::kMmPositionScale / 8.0 * 123456789.0);
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, false, 8), "-2147483648");
  EXPECT_EQ(units::FormatRawValue(-1, true, 8), "0xFFFFFFFF");
  EXPECT_EQ(units::FormatRawValue(255, true, 8), "0x000000FF");
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, true, 4), "0x80000000");
}

struct Entry {
  std::string_view text;
  std::optional<int32_t> value = std::nullopt;  // refused
};

// The limits and our decisions; the generated texts below reach the other malformed forms.
const Entry kEntries[] = {
    {"1000", 1000}, {"-0", 0}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"0X3e8", 1000},
    {"$FFFFFFFF", -1}, {"0x80000000", INT32_MIN},
    // Blanks before the number are skipped in the preset boxes.
    {" 12", 12}, {"\t \t-12", -12}, {"   0x10", 16},
    {""}, {"\t"}, {"$"}, {"0x"}, {"12 "}, {"0x123456789"}, {"$000000000"}, {"2147483648"}, {"-2147483649"},
    {"\n12"}, {"\v12"}, {"\r12"}, {"\xD9\xA3"}, {"1\xC2\xA0"}, {"12\0"sv}, {"\0" "12"sv},
};

TEST(ParseInteger, GivesTheValueOrRefuses) {
  for (const Entry& entry : kEntries) EXPECT_EQ(ParseInteger(entry.text), entry.value) << '"' << entry.text << '"';
}

// Blanks (spaces, tabs), then a signed decimal or "$"/"0x"/"0X" and 1 to 8 hexadecimal digits.
std::optional<int32_t> ParseReference(const std::string& text) {
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

// The grammar's pieces (or the start of a number near a limit), often bent by an edit.
std::string GenerateText(std::mt19937& random) {
  const auto pick = [&](size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(random); };
  const auto choose = [&](std::string_view set) { return set[pick(0, set.size() - 1)]; };
  static const std::string_view kStarts[] = {"", "", " ", "\t\t", " \r", "\n", "+", "-", "0x", "0X", "$", "x", "$$",
                                             "+0x", "-$", "0x0x", "2147483", "-2147483", "+0002147483", "0xFFFFFFF"};
  std::string text(kStarts[pick(0, std::size(kStarts) - 1)]);
  const bool hex = text.find_first_of("x$") != std::string::npos;
  const size_t length = pick(0, 1) ? (hex ? pick(1, 8) : pick(3, 12)) : pick(0, 20);
  for (size_t i = 0; i < length; ++i) text += choose(hex ? "0123456789abcdefABCDEF" : "0123456789");
  for (size_t edits = pick(0, 4); edits > 2; --edits) {  // none, one or two
    const size_t at = pick(0, text.size());
    if (pick(0, 1) || at == text.size()) {
      text.insert(at, 1, choose("0123456789abcdefxX$+-., \t\0gG\xff\xd9"sv));
    } else {
      text.erase(at, 1);
    }
  }
  return text;
}

TEST(ParseInteger, AgreesWithTheReferenceOnAMillionGeneratedTexts) {
  constexpr int kTexts = 1'200'000;
  std::mt19937 random(20261206);
  int accepted = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::string text = GenerateText(random);
    const auto expected = ParseReference(text);
    ASSERT_EQ(expected, ParseInteger(text)) << "text \"" << text << "\" (" << text.size() << " bytes)";
    accepted += expected.has_value();
  }
  // The generator must exercise both outcomes in earnest.
  EXPECT_GT(accepted, kTexts / 5);
  EXPECT_LT(accepted, kTexts * 4 / 5);
}

}  // namespace
