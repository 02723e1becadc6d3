// ZEMTRA_SIM: what each value makes, and bad values (one message naming the
// item in printable text, no simulated board).
#include <algorithm>
#include <string>

#include "library_fixture.h"
#include "pci/sim_config.h"

namespace zemtra::test {
namespace {

using namespace pci;

struct Value {
  const char* text;
  const char* makes;  // boards, motion, id, then A1 A2 A3 REF: '.' present, 'N' missing, 'G' glitching
};

void PrintTo(const Value& row, std::ostream* os) { *os << ::testing::PrintToString(std::string(row.text)); }

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

class SimValues : public ::testing::TestWithParam<Value> {};

TEST_P(SimValues, Make) {
  sim::SimConfig config;
  config.boards = 9;
  std::string error;
  EXPECT_TRUE(sim::ParseSimConfig(GetParam().text, &config, &error)) << error;
  EXPECT_EQ(Describe(config), GetParam().makes);
}

INSTANTIATE_TEST_SUITE_P(
    Good, SimValues,
    ::testing::Values(Value{"", "0 on 0x4D27B ...."}, Value{"  ", "0 on 0x4D27B ...."},
                      Value{"1", "1 on 0x4D27B ...."}, Value{"64", "64 on 0x4D27B ...."},
                      Value{"motion=off", "1 off 0x4D27B ...."},
                      Value{"boards=2,motion=off,nosig=A2+REF", "2 off 0x4D27B .N.N"},
                      Value{"BOARDS=4,Motion=OFF,ID=0X12aB,NoSig=a1+Ref,GLITCH=a3", "4 off 0x12AB N.GN"},
                      Value{" boards = 64 , motion = On ", "64 on 0x4D27B ...."},
                      Value{"id=0xFFFFFFFF", "1 on 0xFFFFFFFF ...."}, Value{"id=0x0", "1 on 0x0 ...."},
                      Value{"glitch=A1+A2,nosig=A1", "1 on 0x4D27B NG.."}));

struct BadValue {
  std::string value;
  std::string named;  // what the message must show of it
};

void PrintTo(const BadValue& bad, std::ostream* os) { *os << ::testing::PrintToString(bad.value); }

class SimBadValues : public ::testing::TestWithParam<BadValue> {};

// The message names the bad item, and shows it in printable ASCII only: the
// value must not move the cursor, recolour or retitle the terminal, or forge
// a line of its own.
TEST_P(SimBadValues, AreNamedInPrintableText) {
  sim::SimConfig config;
  config.boards = 5;
  std::string error;
  EXPECT_FALSE(sim::ParseSimConfig(GetParam().value, &config, &error));
  EXPECT_EQ(config.boards, 0);
  EXPECT_NE(error.find(GetParam().named), std::string::npos) << error;
  EXPECT_TRUE(std::ranges::all_of(error, [](char c) { return c >= 0x20 && c < 0x7F; })) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Items, SimBadValues,
    ::testing::Values(BadValue{"0", "'0'"}, BadValue{"65", "'65'"}, BadValue{"1x", "'1x'"},
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
                      BadValue{"nosig=A1+\2332J", "'nosig=A1+\\x9b2J'"},
                      BadValue{"boards=1\nlibZemtra: all well", "'boards=1\\x0alibZemtra: all well'"},
                      BadValue{"motion=\r\b\x7f", "'motion=\\x0d\\x08\\x7f'"},
                      BadValue{"id=\\x1b", "'id=\\\\x1b'"}));

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
