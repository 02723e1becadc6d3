// ZEMTRA_SIM: what each value makes, and bad values (one message naming the
// item in printable text, no simulated board).
#include <algorithm>
#include <string>

#include "library_fixture.h"
#include "pci/sim/sim_config.h"

namespace zemtra::test {
namespace {

using namespace pci;

// A value described as: boards, motion, id, then the signals A1 A2 A3 REF
// ('.' present, 'N' missing, 'G' glitching).
std::string Describe(const sim::SimConfig& config) {
  char text[64];
  std::snprintf(text, sizeof text, "%d %s 0x%X ", config.boards, config.board.motion ? "on" : "off",
                config.board.fpga1Product);
  std::string described = text;
  for (const SignalState s : config.board.signals) {
    described += s == SignalState::kPresent ? '.' : s == SignalState::kMissing ? 'N' : 'G';
  }
  return described;
}

TEST(SimValues, MakeTheirBoards) {
  const std::pair<const char*, const char*> values[] = {
      {"", "0 on 0x4D27B ...."}, {"  ", "0 on 0x4D27B ...."}, {"1", "1 on 0x4D27B ...."},
      {"64", "64 on 0x4D27B ...."}, {"motion=off", "1 off 0x4D27B ...."},
      {"boards=2,motion=off,nosig=A2+REF", "2 off 0x4D27B .N.N"},
      {"BOARDS=4,Motion=OFF,ID=0X12aB,NoSig=a1+Ref,GLITCH=a3", "4 off 0x12AB N.GN"},
      {" boards = 64 , motion = On ", "64 on 0x4D27B ...."}, {"id=0xFFFFFFFF", "1 on 0xFFFFFFFF ...."},
      {"id=0x0", "1 on 0x0 ...."}, {"glitch=A1+A2,nosig=A1", "1 on 0x4D27B NG.."}};
  for (const auto& [text, makes] : values) {
    sim::SimConfig config;
    config.boards = 9;
    std::string error;
    EXPECT_TRUE(sim::ParseSimConfig(text, &config, &error)) << text << ": " << error;
    EXPECT_EQ(Describe(config), makes) << text;
  }
}

// A bad value makes no board; the message names the bad item, and shows it
// in printable ASCII only: the value must not move the cursor, recolour or
// retitle the terminal, or forge a line of its own.
TEST(SimValues, BadOnesAreNamedInPrintableText) {
  const std::pair<std::string, std::string> values[] = {
      // the value, what the message shows of it
      {"0", "'0'"}, {"65", "'65'"}, {"1x", "'1x'"}, {"boards=0", "'boards=0'"},
      {"boards=65", "'boards=65'"}, {"boards=2,boards=-1", "'boards=-1'"}, {"boards=two", "'boards=two'"},
      {"motion=maybe", "'motion=maybe'"}, {"id=4D27B", "'id=4D27B'"}, {"id=0x", "'id=0x'"},
      {"id=0x123456789", "'id=0x123456789'"}, {"id=0xG1", "'id=0xG1'"}, {"nosig=A4", "'nosig=A4'"},
      {"nosig=", "'nosig='"}, {"glitch=A1+", "'glitch=A1+'"}, {"glitch=A1,A2", "'A2'"},
      {"color=red", "'color=red'"}, {"boards", "'boards'"}, {"boards=2,,motion=on", "empty item"},
      {"boards=2,", "empty item"}, {",", "empty item"}, {"motion=\x1b[2J", "'motion=\\x1b[2J'"},
      {"\x1b]0;owned\x07", "'\\x1b]0;owned\\x07'"}, {"nosig=A1+\2332J", "'nosig=A1+\\x9b2J'"},
      {"boards=1\nlibZemtra: all well", "'boards=1\\x0alibZemtra: all well'"},
      {"motion=\r\b\x7f", "'motion=\\x0d\\x08\\x7f'"}, {"id=\\x1b", "'id=\\\\x1b'"}};
  for (const auto& [value, named] : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    sim::SimConfig config;
    config.boards = 5;
    std::string error;
    EXPECT_FALSE(sim::ParseSimConfig(value, &config, &error));
    EXPECT_EQ(config.boards, 0);
    EXPECT_NE(error.find(named), std::string::npos) << error;
    EXPECT_TRUE(std::ranges::all_of(error, [](char c) { return c >= 0x20 && c < 0x7F; })) << error;
  }
}

class SimConfigure : public Library {};

TEST_F(SimConfigure, ABadValueGivesOneMessageAndNoBoard) {
  ::setenv("ZEMTRA_SIM", "boards=2,motion=sideways", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
  EXPECT_EQ(Count(), 0u);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "libZemtra: ZEMTRA_SIM: cannot read 'motion=sideways': motion must be on or off; "
            "no simulated board\n");
}

TEST_F(SimConfigure, TheEnvironmentTurnsSimulationOnAndOff) {
  ::setenv("ZEMTRA_SIM", "boards=3", 1);
  EXPECT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 3u);
  ::setenv("ZEMTRA_SIM", "", 1);
  EXPECT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
  ::unsetenv("ZEMTRA_SIM");
  EXPECT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
}

TEST_F(SimConfigure, BoardsSitAtStableLocations) {
  Boards("boards=64,motion=off");
  ASSERT_EQ(Count(), 64u);
  for (uint32_t i = 0; i < 64; ++i) {
    Location location;
    uint32_t request = i;
    ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
    EXPECT_EQ(location.bus, 240 + static_cast<int32_t>(i) / 32);
    EXPECT_EQ(location.slot, static_cast<int32_t>(i) % 32);
    int32_t bus = 0, slot = 0;
    ASSERT_TRUE(sim::BoardLocation(static_cast<int>(i), &bus, &slot));
    EXPECT_EQ(bus * 100 + slot, location.bus * 100 + location.slot);
  }
  Location location;
  uint32_t request = 64;
  EXPECT_EQ(DeviceFind(&location, &request), kDeviceNotFound);
}

}  // namespace
}  // namespace zemtra::test
