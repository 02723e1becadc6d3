// What every function does to the board: one row per call, with the code and
// out-values it gives and the exact accesses the board sees, written as the
// register trace writes them (offsets and values from the register map, not
// from the library's own tables).
#include "calls.h"
#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

// Preset values of A1, A2, A3: wider than 16 bits, negative, top bit set.
constexpr int32_t kV1 = 0x12345678, kV2 = -100000, kV3 = INT32_MIN;

struct Sequence : Named {
  const char* boards;                          // ZEMTRA_SIM of the board
  std::string (*before)(DeviceHandle, Outs&);  // calls that are not the point, or null
  std::string (*call)(DeviceHandle, Outs&);
  const char* gave;
  const char* log;
};

class Sequences : public Library, public ::testing::WithParamInterface<Sequence> {};

TEST_P(Sequences, CodeValuesAndAccesses) {
  const Sequence& row = GetParam();
  Boards(row.boards);
  const DeviceHandle h = OpenBoard();
  Outs scratch, outs;
  if (row.before != nullptr) row.before(h, scratch);
  Log();
  EXPECT_EQ(row.call(h, outs), row.gave);
  EXPECT_EQ(Log(), row.log);
}

constexpr char kStill[] = "motion=off";
const auto kPresetAll = CALLS(ZemtraPresetRawAll(h, kV1, kV2, kV3, &o.w), o.w);
constexpr char kPresetAllLog[] =
    "W16 reg 0x112 0x000F; W16 reg 0x012 0x0033; W32 reg 0x11C 0x12345678; W32 reg 0x118 0xFFFE7960; "
    "W32 reg 0x018 0x80000000; R32 reg 0x11C; W16 reg 0x020 0x0111; R16 reg 0x112; R16 reg 0x012";
constexpr char kPresetA1[] =
    "W16 reg 0x112 0x000C; W16 reg 0x012 0x0030; W32 reg 0x11C 0x12345678; R32 reg 0x11C; "
    "W16 reg 0x020 0x0100; R16 reg 0x112; R16 reg 0x012";
constexpr char kPresetA2[] =
    "W16 reg 0x112 0x0003; W16 reg 0x012 0x0030; W32 reg 0x118 0xFFFE7960; R32 reg 0x11C; "
    "W16 reg 0x020 0x0001; R16 reg 0x112; R16 reg 0x012";
constexpr char kPresetA3[] =
    "W16 reg 0x012 0x0033; W32 reg 0x018 0x80000000; R32 reg 0x11C; W16 reg 0x020 0x0010; "
    "R16 reg 0x112; R16 reg 0x012";
constexpr char kPosVelAllLog[] =
    "W16 reg 0x020 0x0222; R16 reg 0x020; R32 reg 0x120; R32 reg 0x128; R32 reg 0x100; R32 reg 0x108; "
    "R32 reg 0x000; R32 reg 0x008";
const int32_t kWide = 0x18015, kAxis1 = 0x10001;  // as callers with wider integers pass them

const Sequence kSequences[] = {
    // Raw access: one access of the call's width at the offset given; only
    // the low 16 bits of a word or an axis count.
    {"ReadAtTheEdgesOfTheWindow", kStill, nullptr,
     CALLS(ZemtraReadRegisterWord(h, 0x1FE, &o.w), o.w, ZemtraReadRegisterLong(h, 0, &o.l[0]), o.l[0],
           ZemtraReadRegisterLong(h, 0x1FC, &o.l[1]), o.l[1]),
     "0 0x0 0x0 0x0 0x0 0x0", "R16 reg 0x1FE; R32 reg 0x000; R32 reg 0x1FC"},
    {"ReadLongSpansTwoWordRegisters", "motion=off,glitch=A2", CALLS(ZemtraSetConfig(h, 0x0004)),
     CALLS(ZemtraReadRegisterLong(h, 0x110, o.l), o.l[0]), "0 0x20004", "R32 reg 0x110"},
    {"Write", kStill, nullptr,
     CALLS(ZemtraWriteRegisterWord(h, 0x01C, static_cast<uint16_t>(kWide)),
           ZemtraWriteRegisterLong(h, 0x118, 0x89ABCDEFu)),
     "0 0x0", "W16 reg 0x01C 0x8015; W32 reg 0x118 0x89ABCDEF"},
    {"WriteRawPresetRegisterOfEachAxis", kStill, nullptr,
     CALLS(ZemtraWriteRawPresetRegister(h, 0, kV1),
           ZemtraWriteRawPresetRegister(h, static_cast<int16_t>(kAxis1), kV2),
           ZemtraWriteRawPresetRegister(h, 2, kV3)),
     "0 0x0 0x0", "W32 reg 0x11C 0x12345678; W32 reg 0x118 0xFFFE7960; W32 reg 0x018 0x80000000"},
    {"GetRawPresetRegisterOfEachAxis", kStill, kPresetAll,
     CALLS(ZemtraGetRawPresetRegister(h, 0, &o.v[0]), o.v[0], ZemtraGetRawPresetRegister(h, 1, &o.v[1]),
           o.v[1], ZemtraGetRawPresetRegister(h, 2, &o.v[2]), o.v[2]),
     "0 0x12345678 0x0 0xFFFE7960 0x0 0x80000000", "R32 reg 0x11C; R32 reg 0x118; R32 reg 0x018"},

    // Sampling: a command, exactly one read-back, the values only when valid.
    {"SamplePosVelOfEachAxis", kStill, nullptr,
     CALLS(ZemtraSamplePosVel(h, 0), ZemtraSamplePosVel(h, 1), ZemtraSamplePosVel(h, 2)), "0 0x0 0x0",
     "W16 reg 0x020 0x0200; W16 reg 0x020 0x0002; W16 reg 0x020 0x0020"},
    {"ReadRawPosVelOfEachAxis", kStill, CALLS(ZemtraPresetRawAll(h, kV1, kV2, kV3, &o.w), PosVelAll(h, o)),
     CALLS(ZemtraReadRawPos(h, 0, &o.v[0]), ZemtraReadRawVel(h, 0, &o.v[1]), ZemtraReadRawPos(h, 1, &o.v[2]),
           ZemtraReadRawVel(h, 1, &o.v[3]), ZemtraReadRawPos(h, 2, &o.v[4]), ZemtraReadRawVel(h, 2, &o.v[5]),
           o.v[0], o.v[1], o.v[2], o.v[3], o.v[4], o.v[5]),
     "0 0x0 0x0 0x0 0x0 0x0 0x12345678 0x0 0xFFFE7960 0x0 0x80000000 0x0",
     "R16 reg 0x020; R32 reg 0x120; R16 reg 0x020; R32 reg 0x128; R16 reg 0x020; R32 reg 0x100; "
     "R16 reg 0x020; R32 reg 0x108; R16 reg 0x020; R32 reg 0x000; R16 reg 0x020; R32 reg 0x008"},
    {"ReadRawPosVelWithoutAValidSample", kStill, nullptr,
     CALLS(ZemtraReadRawPos(h, 1, &o.v[0]), ZemtraReadRawVel(h, 1, &o.v[1]), o.v[0], o.v[1]),
     "25 0x19 0x5EED5EED 0x5EED5EED", "R16 reg 0x020; R16 reg 0x020"},
    {"GetRawPosVelOfEachAxis", kStill, kPresetAll,
     CALLS(ZemtraGetRawPosVel(h, 0, &o.v[0], &o.v[1]), ZemtraGetRawPosVel(h, 1, &o.v[2], &o.v[3]),
           ZemtraGetRawPosVel(h, 2, &o.v[4], &o.v[5]), o.v[0], o.v[1], o.v[2], o.v[3], o.v[4], o.v[5]),
     "0 0x0 0x0 0x12345678 0x0 0xFFFE7960 0x0 0x80000000 0x0",
     "W16 reg 0x020 0x0200; R16 reg 0x020; R32 reg 0x120; R32 reg 0x128; W16 reg 0x020 0x0002; "
     "R16 reg 0x020; R32 reg 0x100; R32 reg 0x108; W16 reg 0x020 0x0020; R16 reg 0x020; R32 reg 0x000; "
     "R32 reg 0x008"},
    {"GetRawPosVelWithoutSignal", "motion=off,nosig=A2", nullptr,
     CALLS(ZemtraGetRawPosVel(h, 1, &o.v[0], &o.v[1]), o.v[0], o.v[1]), "25 0x5EED5EED 0x5EED5EED",
     "W16 reg 0x020 0x0002; R16 reg 0x020"},
    {"GetRawPosVelAll", kStill, kPresetAll,
     CALLS(PosVelAll(h, o), o.v[0], o.v[1], o.v[2], o.v[3], o.v[4], o.v[5], o.w),
     "0 0x12345678 0x0 0xFFFE7960 0x0 0x80000000 0x0 0x222", kPosVelAllLog},
    {"GetRawPosVelAllWithoutA2", "motion=off,nosig=A2", nullptr,
     CALLS(PosVelAll(h, o), o.v[0], o.v[1], o.v[2], o.v[3], o.v[4], o.v[5], o.w),
     "25 0x0 0x0 0x5EED5EED 0x5EED5EED 0x0 0x0 0x220",
     "W16 reg 0x020 0x0222; R16 reg 0x020; R32 reg 0x120; R32 reg 0x128; R32 reg 0x000; R32 reg 0x008"},

    // Presets: clear the axis's and the reference's errors, load, the fixed
    // read of 0x11C, the command, then the status.
    {"PresetRawA1", kStill, nullptr, CALLS(ZemtraPresetRaw(h, 0, kV1, &o.w), o.w), "0 0x0", kPresetA1},
    {"PresetRawA2", kStill, nullptr, CALLS(ZemtraPresetRaw(h, 1, kV2, &o.w), o.w), "0 0x0", kPresetA2},
    {"PresetRawA3", kStill, nullptr, CALLS(ZemtraPresetRaw(h, 2, kV3, &o.w), o.w), "0 0x0", kPresetA3},
    {"PresetRawA1WithoutReference", "motion=off,nosig=REF", nullptr,
     CALLS(ZemtraPresetRaw(h, 0, kV1, &o.w), o.w), "25 0x1105", kPresetA1},
    {"PresetRawA2WithoutA2", "motion=off,nosig=A2", nullptr, CALLS(ZemtraPresetRaw(h, 1, kV2, &o.w), o.w),
     "25 0x1", kPresetA2},
    {"PresetRawA3IgnoresA2Errors", "motion=off,nosig=A2", nullptr,
     CALLS(ZemtraPresetRaw(h, 2, kV3, &o.w), o.w), "0 0x1", kPresetA3},
    {"PresetRawAll", kStill, nullptr, kPresetAll, "0 0x0", kPresetAllLog},
    {"PresetRawAllWithoutA3", "motion=off,nosig=A3", nullptr, kPresetAll, "25 0x100", kPresetAllLog},

    // Status, configuration, filter, mask: words split over registers as the
    // register map says; any value given is written.
    {"GetStatus", "motion=off,glitch=A1,nosig=A3", nullptr, CALLS(ZemtraGetStatus(h, &o.w), o.w), "0 0x108",
     "R16 reg 0x112; R16 reg 0x012"},
    {"ClearStatusBitsClearsOnlyThoseGiven", "motion=off,glitch=A1+REF,nosig=A2", nullptr,
     CALLS(ZemtraClearStatusBits(h, 0x2008, &o.w), o.w), "0 0x1",
     "W16 reg 0x112 0x0008; W16 reg 0x012 0x0020; R16 reg 0x112; R16 reg 0x012"},
    {"ClearStatusBitsWithNothingOnlyReports", "motion=off,glitch=A2", nullptr,
     CALLS(ZemtraClearStatusBits(h, 0, &o.w), o.w), "0 0x2",
     "W16 reg 0x112 0x0000; W16 reg 0x012 0x0000; R16 reg 0x112; R16 reg 0x012"},
    {"ClearStatusAllWritesBackWhatItRead", "motion=off,glitch=A2+REF", nullptr,
     CALLS(ZemtraClearStatusAll(h, &o.w), o.w), "0 0x0",
     "R16 reg 0x112; R16 reg 0x012; W16 reg 0x112 0x0002; W16 reg 0x012 0x0020; "
     "R16 reg 0x112; R16 reg 0x012"},
    {"SetConfigWritesIrqEnableTwice", kStill, nullptr, CALLS(ZemtraSetConfig(h, 0x1000)), "0",
     "W16 reg 0x110 0x0000; W16 reg 0x010 0x1010"},
    {"SetConfigSplitsTheDirections", kStill, nullptr, CALLS(ZemtraSetConfig(h, 0x0204)), "0",
     "W16 reg 0x110 0x0004; W16 reg 0x010 0x0002"},
    {"GetConfig", kStill, CALLS(ZemtraSetConfig(h, 0x1206)), CALLS(ZemtraGetConfig(h, &o.w), o.w), "0 0x1206",
     "R16 reg 0x110; R16 reg 0x010"},
    {"GetConfigSeesIrqEnableAtEitherBit", kStill, CALLS(ZemtraWriteRegisterWord(h, 0x010, 0x0010)),
     CALLS(ZemtraGetConfig(h, &o.w), o.w), "0 0x1000", "R16 reg 0x110; R16 reg 0x010"},
    {"Filter", kStill, nullptr,
     CALLS(ZemtraSetFilter(h, static_cast<uint16_t>(kWide)), ZemtraGetFilter(h, &o.w), o.w), "0 0x0 0x15",
     "W16 reg 0x01C 0x8015; R16 reg 0x01C"},
    {"InterruptMask", kStill, nullptr,
     CALLS(ZemtraSetInterruptMask(h, 0x2101), ZemtraGetInterruptMask(h, &o.w), o.w), "0 0x0 0x2101",
     "W16 reg 0x016 0x2101; R16 reg 0x016"},
    {"InterruptBridgeCallsTouchNoRegister", kStill, nullptr,
     CALLS(ZemtraPciInterruptEnable(h, INT32_MIN), pci::sim::BridgeEnabled(0), AttachAndClose(h, o),
           ZemtraPciInterruptEnable(h, 0), pci::sim::BridgeEnabled(0), ZemtraPciInterruptEnable(h, 7),
           pci::sim::BridgeEnabled(0)),
     "0 0x1 0x0 0x0 0x0 0x0 0x1", ""},

    // Identification.
    {"GetFPGAIds", "motion=off,id=0x80000001", nullptr,
     CALLS(ZemtraGetFPGAIds(h, &o.l[0], &o.l[1]), o.l[0], o.l[1]), "0 0x80000001 0x4D27C",
     "R32 reg 0x030; R32 reg 0x130"},
    {"GetFPGARevs", kStill, nullptr, CALLS(ZemtraGetFPGARevs(h, &o.l[0], &o.l[1]), o.l[0], o.l[1]),
     "0 0x20104 0x20103", "R32 reg 0x02C; R32 reg 0x12C"},
    {"GetHdwRev", kStill, nullptr, CALLS(ZemtraGetHdwRev(h, &o.w), o.w), "0 0x312", "R16 rev 0x000"},
    {"OpenReadsTheIdOnlyWhenAsked", kStill, nullptr,
     CALLS(ZemtraOpen(nullptr, &o.handle, nullptr), ZemtraClose(&o.handle),
           ZemtraOpen(nullptr, &o.handle, &o.v[0]), o.v[0], ZemtraClose(&o.handle)),
     "0 0x0 0x0 0x4D27B 0x0", "R32 reg 0x030"},
};

INSTANTIATE_TEST_SUITE_P(EveryFunction, Sequences, ::testing::ValuesIn(kSequences), RowName());

}  // namespace
}  // namespace zemtra::test
