// Simulated boards: what each ZEMTRA_SIM value makes, the access layer on
// them, and the board as a model of the real one: registers as scripts in the
// trace's form ("R16 reg 0x020 V" expects V; "A1 missing" changes a signal).
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "library_fixture.h"
#include "pci/sim/register_model.h"
#include "pci/sim/sim_config.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;

using Results = std::vector<Result>;  // of calls in the order written

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

// A good value makes its boards; a bad one makes none and is named in
// printable ASCII only, so that it cannot drive the terminal or forge a line.
TEST(SimValues, MakeTheirBoardsOrAreNamedInPrintableText) {
  const std::pair<std::string, std::string> values[] = {
      // the value, the boards it makes or what the message shows of it
      {"", "0 on 0x4D27B ...."}, {"  ", "0 on 0x4D27B ...."}, {"1", "1 on 0x4D27B ...."},
      {"64", "64 on 0x4D27B ...."}, {"motion=off", "1 off 0x4D27B ...."},
      {"boards=2,motion=off,nosig=A2+REF", "2 off 0x4D27B .N.N"},
      {"BOARDS=4,Motion=OFF,ID=0X12aB,NoSig=a1+Ref,GLITCH=a3", "4 off 0x12AB N.GN"},
      {" boards = 64 , motion = On ", "64 on 0x4D27B ...."}, {"id=0xFFFFFFFF", "1 on 0xFFFFFFFF ...."},
      {"id=0x0", "1 on 0x0 ...."}, {"glitch=A1+A2,nosig=A1", "1 on 0x4D27B NG.."}, {"0", "'0'"},
      {"65", "'65'"}, {"1x", "'1x'"}, {"boards=0", "'boards=0'"}, {"boards=65", "'boards=65'"},
      {"boards=two", "'boards=two'"}, {"motion=maybe", "'motion=maybe'"}, {"id=4D27B", "'id=4D27B'"},
      {"id=0x", "'id=0x'"}, {"id=0x123456789", "'id=0x123456789'"}, {"id=0xG1", "'id=0xG1'"},
      {"nosig=A4", "'nosig=A4'"}, {"nosig=", "'nosig='"}, {"glitch=A1+", "'glitch=A1+'"},
      {"glitch=A1,A2", "'A2'"}, {"color=red", "'color=red'"}, {"boards", "'boards'"},
      {"boards=2,,motion=on", "empty item"}, {",", "empty item"}, {"motion=\x1b[2J", "'motion=\\x1b[2J'"},
      {"nosig=A1+\2332J", "'nosig=A1+\\x9b2J'"},
      {"boards=1\nlibZemtra: all well", "'boards=1\\x0alibZemtra: all well'"},
      {"motion=\r\b\x7f", "'motion=\\x0d\\x08\\x7f'"}, {"id=\\x1b", "'id=\\\\x1b'"}};
  for (const auto& [value, shows] : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    sim::SimConfig config;
    config.boards = 9;
    std::string error;
    const bool made = sim::ParseSimConfig(value, &config, &error);
    EXPECT_EQ(made ? Describe(config) : error.find(shows) != std::string::npos ? shows : error, shows);
    EXPECT_TRUE(made || config.boards == 0) << config.boards;
    EXPECT_TRUE(std::ranges::all_of(error, [](char c) { return c >= 0x20 && c < 0x7F; })) << error;
  }
}

class SimBoards : public Library {};

// A bad value gives one message and no board; made-up device numbers name none.
TEST_F(SimBoards, RefuseABadValueNullArgumentsMissingBoardsAndUnknownDevices) {
  ::setenv("ZEMTRA_SIM", "boards=2,motion=sideways", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count() + Count(), 0u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "libZemtra: ZEMTRA_SIM: cannot read 'motion=sideways': motion must be on or off; "
            "no simulated board\n");
  Location location;
  uint32_t value = 0;
  EXPECT_EQ(DeviceOpen(&location, &value), kDeviceNotFound);
  Boards("1");
  const uint32_t device = OpenDevice();
  Window windows[kBaseAddressCount];
  const InterruptSource source;
  EXPECT_EQ((Results{DeviceFind(nullptr, &value), DeviceFind(&location, nullptr), DeviceOpen(nullptr, &value),
                     DeviceOpen(&location, nullptr), BaseAddressesGet(device, nullptr), IntrEnable(device, nullptr),
                     IntrDisable(device, nullptr), IntrAttach(device, source, nullptr)}),
            Results(8, kNullParameter));
  for (const uint32_t forged : {0u, 1u, device + 1, device - 1, 0x80000000u, 0xFFFFFFFFu}) {
    uint32_t event = 7;
    EXPECT_EQ((Results{BaseAddressesGet(forged, &windows), IntrEnable(forged, &source), IntrDisable(forged, &source),
                       IntrAttach(forged, source, &event), DeviceClose(forged), static_cast<Result>(event)}),
              (Results{kInvalidHandle, kInvalidHandle, kInvalidHandle, kInvalidHandle, kDeviceNotFound, Result{7}}))
        << forged;
  }
  EXPECT_EQ((Results{DeviceClose(device), DeviceClose(device)}), (Results{kSuccess, kDeviceNotFound}));
  EXPECT_NE(OpenDevice(), device);
}

struct Script : Named {
  const char* boards;
  const char* accesses;
};

class Model : public Library {
 protected:
  // Runs the script on board 0 of freshly made boards.
  void Run(const Script& script) {
    Boards(script.boards);
    const uint32_t device = OpenDevice();
    const pci::Window windows[] = {Registers(device), Revision(device)};
    std::istringstream items(script.accesses);
    for (std::string item; std::getline(items, item, ';');) {
      std::istringstream words(item);
      std::string op, where;
      uint32_t offset = 0, value = 0;
      words >> op >> where;
      if (op[0] != 'R' && op[0] != 'W') {
        static const char* const kSignals[] = {"A1", "A2", "A3", "REF"};
        static const char* const kStates[] = {"present", "missing", "glitching"};
        const auto signal = std::ranges::find(kSignals, op) - kSignals;
        const auto state = std::ranges::find(kStates, where) - kStates;
        ASSERT_TRUE(signal < 4 && state < 3) << item;
        sim::SetSignal(0, static_cast<Signal>(signal), static_cast<SignalState>(state));
        continue;
      }
      words >> std::hex >> offset >> value;
      ASSERT_TRUE(words && (where == "reg" || where == "rev")) << item;
      const pci::Window& window = windows[where == "rev"];
      if (op == "W16") {
        window.Write16(offset, static_cast<uint16_t>(value));
      } else if (op == "W32") {
        window.Write32(offset, value);
      } else {
        EXPECT_EQ(op == "R16" ? window.Read16(offset) : window.Read32(offset), value) << item;
      }
    }
  }
};

const Script kScripts[] = {
    {"ReadOnlyRegistersIgnoreWrites", "motion=off",
     "W32 reg 0x030 0xDEADBEEF; W16 reg 0x02C 0x1234; W16 reg 0x12E 0x5678; W32 reg 0x130 0; "
     "W32 reg 0x120 0xFFFFFFFF; W16 reg 0x10A 0xFFFF; W32 reg 0x008 1; W16 rev 0x000 0xFFFF; "
     "R32 reg 0x030 0x0004D27B; R32 reg 0x02C 0x00020104; R32 reg 0x12C 0x00020103; "
     "R32 reg 0x130 0x0004D27C; R32 reg 0x120 0; R32 reg 0x108 0; R32 reg 0x008 0; "
     "R16 rev 0x000 0x0312"},
    {"UnusedOffsetsReadZeroAndIgnoreWrites", "motion=off",
     "W32 reg 0x004 0xFFFFFFFF; W32 reg 0x028 0xFFFFFFFF; W32 reg 0x0FC 0xFFFFFFFF; "
     "W32 reg 0x114 0xFFFFFFFF; W32 reg 0x134 0xFFFFFFFF; W32 reg 0x1FC 0xFFFFFFFF; "
     "W16 reg 0x014 0xFFFF; W16 reg 0x01E 0xFFFF; W16 reg 0x022 0xFFFF; R32 reg 0x004 0; "
     "R32 reg 0x028 0; R32 reg 0x0FC 0; R32 reg 0x114 0; R32 reg 0x134 0; R32 reg 0x1FC 0; "
     "R16 reg 0x014 0; R16 reg 0x016 0; R16 reg 0x01E 0; R16 reg 0x022 0; R32 rev 0x004 0"},
    {"UndefinedBitsReadZero", "motion=off",
     "W16 reg 0x016 0xFFFF; R16 reg 0x016 0x3333; W16 reg 0x01C 0xFFFF; R16 reg 0x01C 0x001F; "
     "W16 reg 0x110 0xFFFF; R16 reg 0x110 0x0006; W16 reg 0x010 0xFFFF; R16 reg 0x010 0x1012; "
     "W16 reg 0x010 0x0000; R16 reg 0x010 0x0000; R16 reg 0x020 0; R16 reg 0x112 0; "
     "R16 reg 0x012 0"},
    {"SixteenBitHalvesOfA32BitRegister", "motion=off",
     "R16 reg 0x030 0xD27B; R16 reg 0x032 0x0004; R32 rev 0x000 0x00000312; "
     "W32 reg 0x11C 0x12345678; R16 reg 0x11C 0x5678; R16 reg 0x11E 0x1234; W16 reg 0x11E 0xABCD; "
     "R32 reg 0x11C 0xABCD5678; W16 reg 0x11C 0x0001; R32 reg 0x11C 0xABCD0001"},
    {"ThirtyTwoBitAccessSpansTwoRegisters", "motion=off,glitch=A3+REF",
     "R16 reg 0x012 0x0022; W32 reg 0x010 0x00201002; R16 reg 0x010 0x1002; "
     "R16 reg 0x012 0x0002; R32 reg 0x010 0x00021002; W32 reg 0x110 0x00000004; "
     "R32 reg 0x110 0x00000004; W32 reg 0x01C 0xFFFF0015; R32 reg 0x01C 0x00000015; "
     "W32 reg 0x11C 0x4D; W32 reg 0x020 0xFFFF0300; R32 reg 0x020 0x00000200; R32 reg 0x120 0x4D"},
    {"UnalignedAccessesUseTheRightBytesAndOutOfWindowOnesAreHarmless", "motion=off",
     "W32 reg 0x11C 0x44332211; R16 reg 0x11D 0x3322; R32 reg 0x11E 0x00004433; W16 reg 0x11D 0xBBAA; "
     "R32 reg 0x11C 0x44BBAA11; R32 reg 0x200 0; R16 reg 0xFFFFFFFE 0; W32 reg 0xFFFFFFFC 0xFFFFFFFF; "
     "R32 rev 0x0FE 0"},
    {"SampleOfOneAxisLeavesTheOthersAndMotionOffStaysStillWhateverDir", "motion=off",
     "W16 reg 0x020 0x0020; R16 reg 0x020 0x0020; W16 reg 0x020 0x0200; R16 reg 0x020 0x0220; "
     "W16 reg 0x110 0x0006; W16 reg 0x010 0x0002; W16 reg 0x020 0x0222; R32 reg 0x120 0; "
     "R32 reg 0x100 0; R32 reg 0x000 0; R32 reg 0x128 0; R32 reg 0x108 0; R32 reg 0x008 0"},
    {"SampleWithoutSignalClearsValidAndKeepsTheValues", "motion=off",
     "W32 reg 0x118 0x64; W16 reg 0x020 0x0001; W16 reg 0x020 0x0222; R32 reg 0x100 0x64; "
     "A2 missing; W32 reg 0x118 0xC8; W16 reg 0x020 0x0001; W16 reg 0x020 0x0222; "
     "R16 reg 0x020 0x0221; R32 reg 0x100 0x64; A2 present; W16 reg 0x020 0x0002; "
     "R16 reg 0x020 0x0223; R32 reg 0x100 0xC8"},
    {"PresetErrorTellsWhetherTheSignalWasMissing", "motion=off,nosig=A1",
     "W16 reg 0x020 0x0111; R16 reg 0x020 0x0100; A1 present; W16 reg 0x020 0x0001; "
     "R16 reg 0x020 0x0100; W16 reg 0x020 0x0100; R16 reg 0x020 0; A3 glitching; "
     "W16 reg 0x020 0x0030; R16 reg 0x020 0x0020"},
    {"ErrorBitsClearByWritingOne", "motion=off,glitch=A1+A2+A3+REF",
     "R16 reg 0x112 0x000A; R16 reg 0x012 0x0022; W16 reg 0x112 0; W16 reg 0x012 0; "
     "R16 reg 0x112 0x000A; R16 reg 0x012 0x0022; W16 reg 0x112 0x0008; R16 reg 0x112 0x0002; "
     "W16 reg 0x112 0xFFFF; W16 reg 0x012 0xFFFF; R16 reg 0x112 0; R16 reg 0x012 0"},
    {"AGlitchingSignalLatchesGlitchAtEverySample", "motion=off,glitch=A2",
     "W16 reg 0x112 0xFFFF; R16 reg 0x112 0; W16 reg 0x020 0x0100; R16 reg 0x112 0; "
     "W16 reg 0x020 0x0222; R16 reg 0x112 0x0002; R16 reg 0x020 0x0222; "
     "W16 reg 0x112 0x0002; R16 reg 0x112 0; A2 present; W16 reg 0x020 0x0222; R16 reg 0x112 0"},
    {"AMissingSignalLatchesNoSigAgainAtOnce", "motion=off,nosig=A3",
     "R16 reg 0x012 0x0001; W16 reg 0x012 0x0001; R16 reg 0x012 0x0001; R16 reg 0x112 0; "
     "A3 present; R16 reg 0x012 0x0001; W16 reg 0x012 0x0001; R16 reg 0x012 0; A1 missing; "
     "R16 reg 0x112 0x0004"},
    {"NoReferenceLatchesNoSigOfEveryAxisAndMakesEveryAxisInvalid", "motion=off,nosig=REF",
     "R16 reg 0x012 0x0011; R16 reg 0x112 0x0005; W16 reg 0x112 0x000F; W16 reg 0x012 0x0033; "
     "R16 reg 0x012 0x0011; R16 reg 0x112 0x0005; W16 reg 0x020 0x0222; R16 reg 0x020 0; "
     "W16 reg 0x020 0x0111; R16 reg 0x020 0x0111"},
};

TEST_F(Model, BehavesAsItsScriptsSay) {
  for (const Script& script : kScripts) {
    SCOPED_TRACE(script.name);
    Run(script);
  }
}

class Motion : public Library {
 protected:
  struct Sampled {
    int32_t position[3], velocity[3];
  };

  // Board 0, made afresh, then with its clock frozen at `seconds`, all axes
  // sampled.
  void Fresh() {
    Boards("motion=on");
    reg_ = Registers(OpenDevice());
  }
  Sampled SampleAt(double seconds) {
    sim::FreezeClock(0, seconds);
    reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
    Sampled s{};
    for (int a = 0; a < 3; ++a) {
      s.position[a] = static_cast<int32_t>(reg_.Read32(ZemtraAxisRegisters[a].positionRegister));
      s.velocity[a] = static_cast<int32_t>(reg_.Read32(ZemtraAxisRegisters[a].velocityRegister));
    }
    return s;
  }

  pci::Window reg_;
};

// Velocities count position counts per 204.8 us: the travel over 100 such
// periods around t, per period. With the real clock, values live.
TEST_F(Motion, EveryAxisMovesAtItsVelocityFromItsPresetAndBackwardsWithDir) {
  Fresh();
  const double t = 2.2, h = 204.8e-6 * 100;
  const Sampled at = SampleAt(t), before = SampleAt(t - h / 2), after = SampleAt(t + h / 2);
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NE(at.velocity[axis], at.velocity[(axis + 1) % 3]) << axis;
    EXPECT_NE(at.velocity[axis], 0) << axis;
    EXPECT_NEAR(at.velocity[axis], (after.position[axis] - before.position[axis]) / 100.0, 0.6) << axis;
  }
  sim::ThawClock(0);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  const uint32_t first = reg_.Read32(ZEMTRA_REG_A3_POSITION);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_NE(reg_.Read32(ZEMTRA_REG_A3_POSITION), first);

  // A preset counts on from the preset value; Dir counts the same motion
  // backwards from where the axis is.
  Fresh();
  sim::FreezeClock(0, 5.0);
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 1000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_PRESET | ZEMTRA_SMP_A1_SAMPLE);  // presets first
  EXPECT_EQ(static_cast<int32_t>(reg_.Read32(ZEMTRA_REG_A1_POSITION)), 1000);
  EXPECT_EQ(SampleAt(5.0).position[0], 1000);
  EXPECT_NE(SampleAt(5.5).position[0], 1000);

  Fresh();
  const Sampled f1 = SampleAt(1.0), f2 = SampleAt(1.5);
  Fresh();
  sim::FreezeClock(0, 1.0);
  reg_.Write16(ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A1_DIR | ZEMTRA_CTL12_A2_DIR);
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_A3_DIR);
  const Sampled r1 = SampleAt(1.0), r2 = SampleAt(1.5);
  for (int axis = 0; axis < 3; ++axis) {
    const int32_t forwards = f2.position[axis] - f1.position[axis];
    ASSERT_NE(forwards, 0) << axis;
    EXPECT_EQ(r1.position[axis], f1.position[axis]) << axis;  // no jump at the change
    EXPECT_EQ(r2.position[axis] - r1.position[axis], -forwards) << axis;
    EXPECT_EQ(r2.velocity[axis], -f2.velocity[axis]) << axis;
  }
}

TEST_F(SimBoards, SitAtStableLocationsSharedByTheirDevicesAcrossAReconfiguration) {
  Boards("boards=64,motion=off");
  std::string stable;
  for (int i = 0; i < 64; ++i) stable += (i ? " " : "") + std::to_string(240 + i / 32) + "/" + std::to_string(i % 32);
  EXPECT_EQ(Listed(), stable);
  Location location;
  uint32_t request = 64;
  EXPECT_EQ(DeviceFind(&location, &request), kDeviceNotFound);
  const pci::Window first = Registers(OpenDevice(240, 0)), again = Registers(OpenDevice(240, 0));
  const pci::Window other = Registers(OpenDevice(240, 1));
  again.Write32(ZEMTRA_REG_A2_PRESET, 42);
  EXPECT_EQ(first.Read32(ZEMTRA_REG_A2_PRESET), 42u);
  EXPECT_EQ(other.Read32(ZEMTRA_REG_A2_PRESET), 0u);
  Boards("boards=1,id=0x1");
  EXPECT_EQ(first.Read32(ZEMTRA_REG_A2_PRESET), 42u);
  EXPECT_EQ(first.Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x4D27Bu);
  EXPECT_EQ(Registers(OpenDevice()).Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x1u);
}

// A newly latched, unmasked error with IRQ Enable (bit 12) and the bridge on
// makes every attached event readable.
class Irq : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    Boards("motion=off");
    device_ = OpenDevice();
    reg_ = Registers(device_);
  }
  int Attach(uint32_t device) {
    uint32_t event = 0;
    EXPECT_EQ(IntrAttach(device, InterruptSource(), &event), kSuccess);
    return static_cast<int>(Keep(event));
  }
  void Enable(uint16_t mask, uint16_t control = ZEMTRA_CTL3_IRQ_ENABLE, bool bridge = true) {
    reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, mask);
    reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, control);
    const InterruptSource source;
    EXPECT_EQ(bridge ? IntrEnable(device_, &source) : IntrDisable(device_, &source), kSuccess);
    EXPECT_EQ(sim::BridgeEnabled(0), bridge);
  }
  static uint64_t Drain(int fd) {
    uint64_t count = 0;
    EXPECT_EQ(::read(fd, &count, sizeof count), ssize_t{sizeof count});
    return count;
  }
  uint32_t device_ = 0;
  pci::Window reg_;
};

struct Source : Named {
  Signal signal;
  SignalState state;
  uint16_t mask;
};

class Sources : public Irq, public ::testing::WithParamInterface<Source> {};

TEST_P(Sources, InterruptThroughTheirOwnMaskBitOnly) {
  const Source& s = GetParam();
  const int fd = Attach(device_);
  // Every other source enabled: silent. (No reference also latches every
  // axis's No Sig, so those stay off for that source.)
  uint16_t others = 0x3333 & ~s.mask;
  if (s.signal == Signal::kRef && s.state == SignalState::kMissing) others &= 0x2222;
  Enable(others);
  sim::SetSignal(0, s.signal, s.state);
  EXPECT_FALSE(Readable(fd));
  sim::SetSignal(0, s.signal, SignalState::kPresent);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0033);
  reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, s.mask);
  sim::SetSignal(0, s.signal, s.state);
  EXPECT_TRUE(Readable(fd));
}

const Source kSources[] = {{"A1NoSig", Signal::kA1, SignalState::kMissing, ZEMTRA_IM_A1_NOSIG},
                           {"A1Glitch", Signal::kA1, SignalState::kGlitching, ZEMTRA_IM_A1_GLITCH},
                           {"A2NoSig", Signal::kA2, SignalState::kMissing, ZEMTRA_IM_A2_NOSIG},
                           {"A2Glitch", Signal::kA2, SignalState::kGlitching, ZEMTRA_IM_A2_GLITCH},
                           {"A3NoSig", Signal::kA3, SignalState::kMissing, ZEMTRA_IM_A3_NOSIG},
                           {"A3Glitch", Signal::kA3, SignalState::kGlitching, ZEMTRA_IM_A3_GLITCH},
                           {"RefNoSig", Signal::kRef, SignalState::kMissing, ZEMTRA_IM_REF_NOSIG},
                           {"RefGlitch", Signal::kRef, SignalState::kGlitching, ZEMTRA_IM_REF_GLITCH}};

INSTANTIATE_TEST_SUITE_P(Each, Sources, ::testing::ValuesIn(kSources), RowName());

TEST_F(Irq, OnlyANewErrorWithIrqEnableAtBit12AndTheBridgeOnInterrupts) {
  const int fd = Attach(device_);
  Enable(ZEMTRA_IM_A1_NOSIG, ZEMTRA_CTL3_IRQ_ENABLE_LOW);  // bit 4 alone is not enough
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  Enable(ZEMTRA_IM_A3_NOSIG, ZEMTRA_CTL3_IRQ_ENABLE, false);
  sim::SetSignal(0, Signal::kA3, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(sim::InterruptCount(0), 0u);

  Enable(ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A3_NOSIG);
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);  // masked
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);  // latched before: not new
  EXPECT_FALSE(Readable(fd));
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_NOSIG);  // latches again at once: new
  ASSERT_TRUE(Readable(fd));
  EXPECT_EQ(Drain(fd), 1u);
  EXPECT_EQ(sim::InterruptCount(0), 1u);
}

TEST_F(Irq, AGlitchLatchedAnewAtASampleCommandInterrupts) {
  sim::SetSignal(0, Signal::kA2, SignalState::kGlitching);  // latched before the mask is set
  const int fd = Attach(device_);
  Enable(ZEMTRA_IM_A2_GLITCH);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_FALSE(Readable(fd)) << "still latched: not new";
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH);
  EXPECT_FALSE(Readable(fd));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_TRUE(Readable(fd));
}

// One event per device, shared by its attaches; a closed descriptor or
// device is never written to.
TEST_F(Irq, EveryAttachedEventIsSignalledAndEachDeviceHasOne) {
  const int first = Attach(device_), again = Attach(device_);
  const uint32_t other = OpenDevice(), closing = OpenDevice();
  const int third = Attach(other);
  uint32_t event = 0;
  ASSERT_EQ(IntrAttach(closing, InterruptSource(), &event), kSuccess);
  ::close(static_cast<int>(event));
  const int unrelated = ::eventfd(0, EFD_CLOEXEC);  // likely takes the same number
  const int kept = Attach(closing);
  ASSERT_EQ(DeviceClose(closing), kSuccess);
  EXPECT_NE(first, again);
  EXPECT_EQ(sim::AttachedEventCount(0), 2) << "a second attach of one device took another event";
  Enable(ZEMTRA_IM_A1_NOSIG);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_TRUE(Readable(first) && Readable(again) && Readable(third));
  EXPECT_FALSE(Readable(kept) || Readable(unrelated)) << "a closed device's event was signalled";
  ::close(unrelated);
  EXPECT_EQ(Drain(again), 1u);
  EXPECT_FALSE(Readable(first)) << "one read resets every descriptor of the device's event";
}

// The limit is the board's whoever opened it; closing the caller's
// descriptors does not free an event, closing the device does.
TEST_F(Irq, TooManyDevicesWithEventsGive553) {
  for (int i = 0; i < RegisterModel::kMaxAttachedEvents; ++i) Attach(i == 0 ? device_ : OpenDevice());
  const uint32_t other = OpenDevice();
  uint32_t event = 12345;
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  EXPECT_EQ(event, 12345u);
  const int shared = Attach(device_);
  ::close(shared);
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  EXPECT_EQ(DeviceClose(device_), kSuccess);
  EXPECT_EQ(sim::AttachedEventCount(0), RegisterModel::kMaxAttachedEvents - 1);
  Attach(other);
}

}  // namespace
}  // namespace zemtra::test
