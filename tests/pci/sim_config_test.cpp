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

TEST(SimConfigTest, BadValuesNameTheItem) {
  EXPECT_NE(Bad("0").find("'0'"), std::string::npos);
  EXPECT_NE(Bad("65").find("'65'"), std::string::npos);
  EXPECT_NE(Bad("1x").find("'1x'"), std::string::npos);
  EXPECT_NE(Bad("boards=0").find("'boards=0'"), std::string::npos);
  EXPECT_NE(Bad("boards=65").find("'boards=65'"), std::string::npos);
  EXPECT_NE(Bad("boards=2,boards=-1").find("'boards=-1'"), std::string::npos);
  EXPECT_NE(Bad("boards=two").find("'boards=two'"), std::string::npos);
  EXPECT_NE(Bad("motion=maybe").find("'motion=maybe'"), std::string::npos);
  EXPECT_NE(Bad("id=4D27B").find("'id=4D27B'"), std::string::npos);
  EXPECT_NE(Bad("id=0x").find("'id=0x'"), std::string::npos);
  EXPECT_NE(Bad("id=0x123456789").find("'id=0x123456789'"), std::string::npos);
  EXPECT_NE(Bad("id=0xG1").find("'id=0xG1'"), std::string::npos);
  EXPECT_NE(Bad("nosig=A4").find("'nosig=A4'"), std::string::npos);
  EXPECT_NE(Bad("nosig=").find("'nosig='"), std::string::npos);
  EXPECT_NE(Bad("glitch=A1+").find("'glitch=A1+'"), std::string::npos);
  EXPECT_NE(Bad("glitch=A1,A2").find("'A2'"), std::string::npos);
  EXPECT_NE(Bad("color=red").find("'color=red'"), std::string::npos);
  EXPECT_NE(Bad("boards").find("'boards'"), std::string::npos);
  EXPECT_NE(Bad("boards=2,,motion=on").find("empty item"), std::string::npos);
  Bad("boards=2,");
  Bad(",");
}

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
