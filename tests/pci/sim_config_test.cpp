// ZEMTRA_SIM: the syntax, its defaults, and bad values (one message naming the
// item, no simulated board).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "pci/sim_config.h"
#include "pci_test_support.h"

namespace zemtra::pci::testing {
namespace {

using sim::ParseSimConfig;
using sim::SimConfig;

SimConfig Parse(const std::string& text) {
  SimConfig config;
  std::string error;
  EXPECT_TRUE(ParseSimConfig(text, &config, &error)) << text << ": " << error;
  return config;
}

std::string Bad(const std::string& text) {
  SimConfig config;
  config.boards = 5;
  std::string error;
  EXPECT_FALSE(ParseSimConfig(text, &config, &error)) << text;
  EXPECT_EQ(config.boards, 0) << text;
  return error;
}

TEST(SimConfigTest, EmptyMeansNoBoard) {
  EXPECT_EQ(Parse("").boards, 0);
  EXPECT_EQ(Parse("   ").boards, 0);
}

TEST(SimConfigTest, PlainNumberIsTheBoardCount) {
  EXPECT_EQ(Parse("1").boards, 1);
  EXPECT_EQ(Parse("3").boards, 3);
  EXPECT_EQ(Parse("64").boards, 64);
  SimConfig config = Parse("2");
  EXPECT_TRUE(config.board.motion);
  EXPECT_EQ(config.board.fpga1Product, 0x4D27Bu);
  for (SignalState s : config.board.signals) EXPECT_EQ(s, SignalState::kPresent);
}

TEST(SimConfigTest, KeysHaveDefaults) {
  SimConfig config = Parse("motion=off");
  EXPECT_EQ(config.boards, 1);
  EXPECT_FALSE(config.board.motion);
  EXPECT_EQ(config.board.fpga1Product, 0x4D27Bu);
}

TEST(SimConfigTest, TheExampleOfTheReadme) {
  SimConfig config = Parse("boards=2,motion=off,nosig=A2+REF");
  EXPECT_EQ(config.boards, 2);
  EXPECT_FALSE(config.board.motion);
  EXPECT_EQ(config.board.signals[0], SignalState::kPresent);
  EXPECT_EQ(config.board.signals[1], SignalState::kMissing);
  EXPECT_EQ(config.board.signals[2], SignalState::kPresent);
  EXPECT_EQ(config.board.signals[3], SignalState::kMissing);
}

TEST(SimConfigTest, KeysAndValuesAreCaseInsensitive) {
  SimConfig config = Parse("BOARDS=4,Motion=OFF,ID=0X12aB,NoSig=a1+Ref,GLITCH=a3");
  EXPECT_EQ(config.boards, 4);
  EXPECT_FALSE(config.board.motion);
  EXPECT_EQ(config.board.fpga1Product, 0x12ABu);
  EXPECT_EQ(config.board.signals[0], SignalState::kMissing);
  EXPECT_EQ(config.board.signals[2], SignalState::kGlitching);
  EXPECT_EQ(config.board.signals[3], SignalState::kMissing);
  EXPECT_TRUE(Parse("motion=On").board.motion);
}

TEST(SimConfigTest, IdTakesUpToEightHexDigits) {
  EXPECT_EQ(Parse("id=0xFFFFFFFF").board.fpga1Product, 0xFFFFFFFFu);
  EXPECT_EQ(Parse("id=0x0").board.fpga1Product, 0u);
}

TEST(SimConfigTest, MissingWinsOverGlitching) {
  SimConfig config = Parse("glitch=A1+A2,nosig=A1");
  EXPECT_EQ(config.board.signals[0], SignalState::kMissing);
  EXPECT_EQ(config.board.signals[1], SignalState::kGlitching);
}

struct BadValue {
  std::string value;
  std::string named;  // what the message must show of it
};

void PrintTo(const BadValue& bad, std::ostream* os) { *os << ::testing::PrintToString(bad.value); }

class SimConfigBadValueTest : public ::testing::TestWithParam<BadValue> {};

// The message names the bad item, and shows it in printable ASCII only: the
// value must not move the cursor, recolour or retitle the terminal, or forge
// a line of its own.
TEST_P(SimConfigBadValueTest, NamesTheItemInPrintableText) {
  const std::string error = Bad(GetParam().value);
  EXPECT_NE(error.find(GetParam().named), std::string::npos) << error;
  EXPECT_TRUE(std::ranges::all_of(error, [](char c) { return c >= 0x20 && c < 0x7F; })) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Items, SimConfigBadValueTest,
    ::testing::Values(
        BadValue{"0", "'0'"}, BadValue{"65", "'65'"}, BadValue{"1x", "'1x'"},
        BadValue{"boards=0", "'boards=0'"}, BadValue{"boards=65", "'boards=65'"},
        BadValue{"boards=2,boards=-1", "'boards=-1'"}, BadValue{"boards=two", "'boards=two'"},
        BadValue{"motion=maybe", "'motion=maybe'"}, BadValue{"id=4D27B", "'id=4D27B'"},
        BadValue{"id=0x", "'id=0x'"}, BadValue{"id=0x123456789", "'id=0x123456789'"},
        BadValue{"id=0xG1", "'id=0xG1'"}, BadValue{"nosig=A4", "'nosig=A4'"},
        BadValue{"nosig=", "'nosig='"}, BadValue{"glitch=A1+", "'glitch=A1+'"},
        BadValue{"glitch=A1,A2", "'A2'"}, BadValue{"color=red", "'color=red'"},
        BadValue{"boards", "'boards'"}, BadValue{"boards=2,,motion=on", "empty item"},
        BadValue{"boards=2,", "empty item"}, BadValue{",", "empty item"},
        BadValue{"motion=\x1b[2J", "'motion=\\x1b[2J'"},
        BadValue{"\x1b]0;owned\x07", "'\\x1b]0;owned\\x07'"},
        BadValue{"nosig=A1+\x9b" "2J", "'nosig=A1+\\x9b2J'"},
        BadValue{"boards=1\nlibZemtra: all well", "'boards=1\\x0alibZemtra: all well'"},
        BadValue{"motion=\r\b\x7f", "'motion=\\x0d\\x08\\x7f'"},
        BadValue{"id=\\x1b", "'id=\\\\x1b'"}));

class SimConfigureTest : public PciTest {};

TEST_F(SimConfigureTest, ABadValueGivesOneMessageAndNoBoard) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::Configure("boards=2,motion=sideways"));
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("ZEMTRA_SIM"), std::string::npos) << err;
  EXPECT_NE(err.find("'motion=sideways'"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(sim::BoardCount(), 0);
  EXPECT_EQ(Count(), 0u);
}

TEST_F(SimConfigureTest, TheEnvironmentTurnsSimulationOn) {
  ::setenv("ZEMTRA_SIM", "boards=3", 1);
  EXPECT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 3u);
  ::unsetenv("ZEMTRA_SIM");
  EXPECT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
}

TEST_F(SimConfigureTest, ABadEnvironmentValueIsReportedOnce) {
  ::setenv("ZEMTRA_SIM", "nosig=A9", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
  EXPECT_EQ(Count(), 0u);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("'nosig=A9'"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(SimConfigureTest, SimulatedBoardsSitAtStableLocations) {
  ASSERT_TRUE(sim::Configure("boards=64,motion=off"));
  ASSERT_EQ(Count(), 64u);
  for (uint32_t i = 0; i < 64; ++i) {
    Location location;
    uint32_t request = i;
    ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
    int32_t bus = 0, slot = 0;
    ASSERT_TRUE(sim::BoardLocation(static_cast<int>(i), &bus, &slot));
    EXPECT_EQ(location.bus, bus);
    EXPECT_EQ(location.slot, slot);
    EXPECT_EQ(bus, 240 + static_cast<int32_t>(i) / 32);
    EXPECT_EQ(slot, static_cast<int32_t>(i) % 32);
  }
  // The same locations after a fresh configuration.
  ASSERT_TRUE(sim::Configure("boards=40"));
  Location location;
  uint32_t request = 33;
  ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
  EXPECT_EQ(location.bus, 241);
  EXPECT_EQ(location.slot, 1);
}

}  // namespace
}  // namespace zemtra::pci::testing
