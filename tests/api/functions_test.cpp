// What every function does: code, out-values and exact accesses (from the
// register map, not the library's tables); what it refuses, touching no board
// and no out-value; the codes' texts.
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "library_fixture.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

// A row's call is one expression of the handle `h` and the out-values `o`,
// which start out filled with a pattern no call produces.
struct Outs {
  uint16_t w = 0x5EED;                                                                      // word
  uint32_t l[2] = {0x5EED5EED, 0x5EED5EED};                                                 // longs
  int32_t v[6] = {0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED};  // values
  uint32_t count = 0x5EED5EED;
  uint32_t event = 0x5EED5EED;
  DeviceHandle handle = 0x5EED5EED;
  bool operator==(const Outs&) const = default;
};

// A call's code, then each value in hex: "0 0x4D27B"; braces keep the order.
std::string Gave(std::initializer_list<int64_t> codeThenValues) {
  std::string text;
  for (const int64_t value : codeThenValues) {
    char item[16];
    std::snprintf(item, sizeof item, text.empty() ? "%d" : " 0x%X", static_cast<uint32_t>(value));
    text += item;
  }
  return text;
}

#define CALL(expression)                     \
  [](DeviceHandle h, Outs& o) -> ErrorCode { \
    (void)h, (void)o;                        \
    return expression;                       \
  }
#define CALLS(...)                             \
  [](DeviceHandle h, Outs& o) -> std::string { \
    (void)h, (void)o;                          \
    return Gave({__VA_ARGS__});                \
  }

// GetRawPosVelAll into `o`, with out-pointer number `missing` (0 to 6) null.
ErrorCode PosVelAll(DeviceHandle h, Outs& o, int missing = -1) {
  int32_t* p[6];
  for (int i = 0; i < 6; ++i) p[i] = i == missing ? nullptr : &o.v[i];
  return ZemtraGetRawPosVelAll(h, p[0], p[1], p[2], p[3], p[4], p[5], missing == 6 ? nullptr : &o.w);
}

// Attaches and closes the event again: the caller's part of an attach.
ErrorCode AttachAndClose(DeviceHandle h, Outs& o) {
  const ErrorCode code = ZemtraPciInterruptAttach(h, &o.event);
  if (code == ZEMTRA_SUCCESS) ::close(static_cast<int>(o.event));
  return code;
}

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
    {"SetConfigWritesIrqEnableTwiceAndSplitsTheDirections", kStill, nullptr,
     CALLS(ZemtraSetConfig(h, 0x1000), ZemtraSetConfig(h, 0x0204)), "0 0x0",
     "W16 reg 0x110 0x0000; W16 reg 0x010 0x1010; W16 reg 0x110 0x0004; W16 reg 0x010 0x0002"},
    {"GetConfig", kStill, CALLS(ZemtraSetConfig(h, 0x1206)), CALLS(ZemtraGetConfig(h, &o.w), o.w), "0 0x1206",
     "R16 reg 0x110; R16 reg 0x010"},
    {"GetConfigSeesIrqEnableAtEitherBit", kStill, CALLS(ZemtraWriteRegisterWord(h, 0x010, 0x0010)),
     CALLS(ZemtraGetConfig(h, &o.w), o.w), "0 0x1000", "R16 reg 0x110; R16 reg 0x010"},
    {"FilterAndInterruptMask", kStill, nullptr,
     CALLS(ZemtraSetFilter(h, static_cast<uint16_t>(kWide)), ZemtraGetFilter(h, &o.w), o.w,
           ZemtraSetInterruptMask(h, 0x2101), ZemtraGetInterruptMask(h, &o.w), o.w),
     "0 0x0 0x15 0x0 0x0 0x2101", "W16 reg 0x01C 0x8015; R16 reg 0x01C; W16 reg 0x016 0x2101; R16 reg 0x016"},
    {"InterruptBridgeCallsTouchNoRegister", kStill, nullptr,
     CALLS(ZemtraPciInterruptEnable(h, INT32_MIN), pci::sim::BridgeEnabled(0), AttachAndClose(h, o),
           ZemtraPciInterruptEnable(h, 0), pci::sim::BridgeEnabled(0), ZemtraPciInterruptEnable(h, 7),
           pci::sim::BridgeEnabled(0)),
     "0 0x1 0x0 0x0 0x0 0x0 0x1", ""},

    // Identification.
    {"GetFPGAIds", "motion=off,id=0x80000001", nullptr,
     CALLS(ZemtraGetFPGAIds(h, &o.l[0], &o.l[1]), o.l[0], o.l[1]), "0 0x80000001 0x4D27C",
     "R32 reg 0x030; R32 reg 0x130"},
    {"GetFPGARevsAndHdwRev", kStill, nullptr,
     CALLS(ZemtraGetFPGARevs(h, &o.l[0], &o.l[1]), o.l[0], o.l[1], ZemtraGetHdwRev(h, &o.w), o.w),
     "0 0x20104 0x20103 0x0 0x312", "R32 reg 0x02C; R32 reg 0x12C; R16 rev 0x000"},
    {"OpenReadsTheIdOnlyWhenAsked", kStill, nullptr,
     CALLS(ZemtraOpen(nullptr, &o.handle, nullptr), ZemtraClose(&o.handle),
           ZemtraOpen(nullptr, &o.handle, &o.v[0]), o.v[0], ZemtraClose(&o.handle)),
     "0 0x0 0x0 0x4D27B 0x0", "R32 reg 0x030"},
};

INSTANTIATE_TEST_SUITE_P(EveryFunction, Sequences, ::testing::ValuesIn(kSequences), RowName());

using faults::Fault;
using pci::sim::Operation;

struct Function : Named {
  ErrorCode (*call)(DeviceHandle, Outs&);
  bool storesAfterUnlock = false;  // so a failed unlock leaves `w` and `event`
};

// Every function that takes a handle, called with good arguments.
const Function kFunctions[] = {
    {"ReadRegisterWord", CALL(ZemtraReadRegisterWord(h, 0x01C, &o.w))},
    {"WriteRegisterWord", CALL(ZemtraWriteRegisterWord(h, 0x01C, 1))},
    {"ReadRegisterLong", CALL(ZemtraReadRegisterLong(h, 0x030, o.l))},
    {"WriteRegisterLong", CALL(ZemtraWriteRegisterLong(h, 0x118, 1))},
    {"WriteRawPresetRegister", CALL(ZemtraWriteRawPresetRegister(h, 2, 1))},
    {"GetRawPresetRegister", CALL(ZemtraGetRawPresetRegister(h, 2, o.v))},
    {"SamplePosVel", CALL(ZemtraSamplePosVel(h, 1))},
    {"ReadRawPos", CALL(ZemtraReadRawPos(h, 1, o.v))},
    {"GetRawPosVel", CALL(ZemtraGetRawPosVel(h, 2, &o.v[0], &o.v[1]))},
    {"GetRawPosVelAll", CALL(PosVelAll(h, o)), true},
    {"PresetRaw", CALL(ZemtraPresetRaw(h, 0, 5, &o.w))},
    {"PresetRawAll", CALL(ZemtraPresetRawAll(h, 1, 2, 3, &o.w))},
    {"ClearStatusBits", CALL(ZemtraClearStatusBits(h, 0x000F, &o.w))},
    {"SetConfig", CALL(ZemtraSetConfig(h, 0x0204))},
    {"GetConfig", CALL(ZemtraGetConfig(h, &o.w)), true},
    {"PciInterruptEnable", CALL(ZemtraPciInterruptEnable(h, 1))},
    {"PciInterruptAttach", AttachAndClose, true},
    {"GetFPGARevs", CALL(ZemtraGetFPGARevs(h, &o.l[0], &o.l[1]))},
    {"GetHdwRev", CALL(ZemtraGetHdwRev(h, &o.w))},
};

class HandleProtocol : public Library, public ::testing::WithParamInterface<Function> {};

// A handle naming no open board, or whose record cannot be locked, reaches no
// board; a failed unlock comes after the accesses and leaves the handle working.
TEST_P(HandleProtocol, BadHandlesTouchNothing) {
  const Function& f = GetParam();
  Boards("boards=2,motion=off");
  const DeviceHandle closed = OpenBoard();
  DeviceHandle closing = closed;
  ASSERT_EQ(ZemtraClose(&closing), ZEMTRA_SUCCESS);
  const DeviceHandle h = OpenBoard();
  const DeviceHandle other = OpenBoard();
  const struct {
    const char* what;
    DeviceHandle handle;
    ErrorCode code;
  } cases[] = {{"no handle", 0, ZEMTRA_ERR_NULL_PARAMETER},
               {"closed", closed, ZEMTRA_ERR_INVALID_HANDLE},
               {"another generation", h ^ 0x10000u, ZEMTRA_ERR_INVALID_HANDLE},
               {"top bit set", h | 0x80000000u, ZEMTRA_ERR_INVALID_HANDLE},
               {"all ones", 0xFFFFFFFFu, ZEMTRA_ERR_INVALID_HANDLE}};
  Log();
  for (const auto& c : cases) {
    if (c.handle == h || c.handle == other) continue;  // happens to be open
    Outs outs;
    EXPECT_EQ(f.call(c.handle, outs), c.code) << c.what;
    EXPECT_EQ(outs, Outs{}) << c.what;
    EXPECT_EQ(Log(0) + Log(1), "") << c.what;
  }
  faults::FailNext(Fault::kLock);
  Outs untouched;
  EXPECT_EQ(f.call(h, untouched), ZEMTRA_ERR_INVALID_HANDLE);
  EXPECT_EQ(untouched, Outs{});
  EXPECT_EQ(Log(0), "");

  faults::FailNext(Fault::kUnlock);
  Outs outs;
  EXPECT_EQ(f.call(h, outs), ZEMTRA_ERR_UNLOCK);
  if (f.storesAfterUnlock) {
    EXPECT_EQ(outs.w, Outs{}.w);
    EXPECT_EQ(outs.event, Outs{}.event);
  }
  const ErrorCode again = f.call(h, outs);
  EXPECT_TRUE(again == ZEMTRA_SUCCESS || again == ZEMTRA_ERR_INVALID_DATA) << again;
}

INSTANTIATE_TEST_SUITE_P(EveryFunction, HandleProtocol, ::testing::ValuesIn(kFunctions), RowName());

struct Refusal : Named {
  ErrorCode (*call)(DeviceHandle, Outs&);
  ErrorCode code;
};

constexpr int32_t kWindow = 0x200;  // a simulated board's register window

// Null pointers (17), bad axes (24) and offsets (21); axes and offsets are
// checked before the handle, pointers before axes.
const Refusal kRefusals[] = {
    {"ReadRegisterWordNull", CALL(ZemtraReadRegisterWord(h, 0x01C, nullptr)), 17},
    {"ReadRegisterLongNull", CALL(ZemtraReadRegisterLong(h, 0x030, nullptr)), 17},
    {"GetRawPresetRegisterNull", CALL(ZemtraGetRawPresetRegister(h, 0, nullptr)), 17},
    {"ReadRawVelNullBeforeAxis", CALL(ZemtraReadRawVel(h, 3, nullptr)), 17},
    {"GetRawPosVelNullPosition", CALL(ZemtraGetRawPosVel(h, 0, nullptr, o.v)), 17},
    {"GetRawPosVelNullVelocityBeforeAxis", CALL(ZemtraGetRawPosVel(h, 9, o.v, nullptr)), 17},
    {"GetRawPosVelAllNullA1Velocity", CALL(PosVelAll(h, o, 1)), 17},
    {"GetRawPosVelAllNullA3Position", CALL(PosVelAll(h, o, 4)), 17},
    {"GetRawPosVelAllNullStatus", CALL(PosVelAll(h, o, 6)), 17},
    {"PresetRawNullBeforeAxis", CALL(ZemtraPresetRaw(h, 3, 1, nullptr)), 17},
    {"PresetRawAllNull", CALL(ZemtraPresetRawAll(h, 1, 2, 3, nullptr)), 17},
    {"ClearStatusBitsNull", CALL(ZemtraClearStatusBits(h, 0xFFFF, nullptr)), 17},
    {"GetConfigNull", CALL(ZemtraGetConfig(h, nullptr)), 17},
    {"PciInterruptAttachNull", CALL(ZemtraPciInterruptAttach(h, nullptr)), 17},
    {"GetFPGARevsNullFirst", CALL(ZemtraGetFPGARevs(h, nullptr, o.l)), 17},
    {"GetFPGARevsNullSecond", CALL(ZemtraGetFPGARevs(h, o.l, nullptr)), 17},
    {"GetHdwRevNull", CALL(ZemtraGetHdwRev(h, nullptr)), 17},
    {"FindNullCount", CALL(ZemtraFind(nullptr, nullptr, nullptr, 0)), 17},
    {"OpenNullHandle", CALL(ZemtraOpen(nullptr, nullptr, nullptr)), 17},
    {"CloseNull", CALL(ZemtraClose(nullptr)), 17},
    {"WriteRawPresetRegisterAxis3", CALL(ZemtraWriteRawPresetRegister(0, 3, 1)), 24},
    {"GetRawPresetRegisterAxisMinus1", CALL(ZemtraGetRawPresetRegister(0, -1, o.v)), 24},
    {"SamplePosVelAxis5", CALL(ZemtraSamplePosVel(0, 5)), 24},
    {"ReadRawVelAxisMinus32768", CALL(ZemtraReadRawVel(h, INT16_MIN, o.v)), 24},
    {"GetRawPosVelAxis32767", CALL(ZemtraGetRawPosVel(h, INT16_MAX, &o.v[0], &o.v[1])), 24},
    {"PresetRawAxis3", CALL(ZemtraPresetRaw(h, 3, 1, &o.w)), 24},
    {"ReadWordOddOffsetBeforeTheHandle", CALL(ZemtraReadRegisterWord(0, 0x011, &o.w)), 21},
    {"ReadWordOddOffsetBeforeThePointer", CALL(ZemtraReadRegisterWord(h, 0x011, nullptr)), 21},
    {"WriteWordOddOffset", CALL(ZemtraWriteRegisterWord(0xDEAD, 0x013, 1)), 21},
    {"ReadLongHalfAligned", CALL(ZemtraReadRegisterLong(h, 0x112, o.l)), 21},
    {"WriteLongHalfAligned", CALL(ZemtraWriteRegisterLong(0, 0x102, 1)), 21},
    {"WriteLongTopBitSet", CALL(ZemtraWriteRegisterLong(h, INT32_MIN, 1)), 21},
    {"ReadWordPastTheWindow", CALL(ZemtraReadRegisterWord(h, kWindow, &o.w)), 21},
    {"ReadLongFarOut", CALL(ZemtraReadRegisterLong(h, INT32_MAX - 3, o.l)), 21},
};

class Arguments : public Library {};

TEST_F(Arguments, AreRefusedBeforeAnyAccess) {
  Boards("motion=off");
  const DeviceHandle h = OpenBoard();
  Log();
  for (const Refusal& row : kRefusals) {
    Outs outs;
    EXPECT_EQ(row.call(h, outs), row.code) << row.name;
    EXPECT_EQ(outs, Outs{}) << row.name;
    EXPECT_EQ(Log(), "") << row.name;
  }
}

ErrorCode CloseRefused(DeviceHandle h, Outs& o) {
  o.handle = h;
  const ErrorCode code = ZemtraClose(&o.handle);
  o.handle = o.handle == h && ZemtraGetFilter(h, &o.w) == ZEMTRA_SUCCESS;  // the handle still works
  return code;
}

const auto kFind = CALLS(ZemtraFind(nullptr, &o.count, nullptr, 0), o.count);
const auto kOpen = CALLS(ZemtraOpen(nullptr, &o.handle, nullptr), o.handle);
const auto kClose = CALLS(CloseRefused(h, o), o.handle);
const auto kEnable = CALLS(ZemtraPciInterruptEnable(h, 1));
const auto kDisable = CALLS(ZemtraPciInterruptEnable(h, 0));
const auto kAttach = CALLS(ZemtraPciInterruptAttach(h, &o.event), o.event);

struct VendorResult : Named {
  Operation operation;
  pci::Result result;
  std::string (*call)(DeviceHandle, Outs&);
  const char* gave;
};

// The access layer's result of each operation, forced once, as the calling
// function reports it; a refused close keeps a working handle.
const VendorResult kVendorResults[] = {
    {"Find531", Operation::kDeviceFind, pci::kNullParameter, kFind, "17 0x0"},
    {"Find551", Operation::kDeviceFind, pci::kDeviceNotFound, kFind, "18 0x0"},
    {"Find552", Operation::kDeviceFind, pci::kDriverNotFound, kFind, "19 0x0"},
    {"Find553", Operation::kDeviceFind, pci::kInsufficientResources, kFind, "20 0x0"},
    {"Find572", Operation::kDeviceFind, pci::kInvalidHandle, kFind, "26 0x0"},
    {"Open551", Operation::kDeviceOpen, pci::kDeviceNotFound, kOpen, "18 0x0"},
    {"Open572", Operation::kDeviceOpen, pci::kInvalidHandle, kOpen, "26 0x0"},
    {"BaseAddresses531", Operation::kBaseAddressesGet, pci::kNullParameter, kOpen, "28 0x0"},
    {"BaseAddresses572", Operation::kBaseAddressesGet, pci::kInvalidHandle, kOpen, "27 0x0"},
    {"BaseAddresses551", Operation::kBaseAddressesGet, pci::kDeviceNotFound, kOpen, "29 0x0"},
    {"Close551", Operation::kDeviceClose, pci::kDeviceNotFound, kClose, "18 0x1"},
    {"Close572", Operation::kDeviceClose, pci::kInvalidHandle, kClose, "26 0x1"},
    {"Enable572", Operation::kIntrEnable, pci::kInvalidHandle, kEnable, "16"},
    {"Enable551", Operation::kIntrEnable, pci::kDeviceNotFound, kEnable, "31"},
    {"Disable572", Operation::kIntrDisable, pci::kInvalidHandle, kDisable, "16"},
    {"Disable552", Operation::kIntrDisable, pci::kDriverNotFound, kDisable, "31"},
    {"Attach553", Operation::kIntrAttach, pci::kInsufficientResources, kAttach, "32 0x0"},
    {"Attach572", Operation::kIntrAttach, pci::kInvalidHandle, kAttach, "16 0x0"},
    {"Attach531", Operation::kIntrAttach, pci::kNullParameter, kAttach, "31 0x0"},
};

class VendorResults : public Library, public ::testing::WithParamInterface<VendorResult> {};

// A real board, so that a device a failed open kept stays mapped: a failure.
TEST_P(VendorResults, BecomeTheCodeOfTheCall) {
  tree_.AddDevice("0000:03:0e.0");
  tree_.AddUio("0000:03:0e.0", 0);
  const DeviceHandle h = OpenBoard();
  pci::sim::ForceResult(GetParam().operation, GetParam().result);
  Outs outs;
  EXPECT_EQ(GetParam().call(h, outs), GetParam().gave);
}

INSTANTIATE_TEST_SUITE_P(EveryCallSite, VendorResults, ::testing::ValuesIn(kVendorResults), RowName());

// Every code's text; only the low 16 bits of a wider argument count.
TEST(ErrorTexts, OfEveryCode) {
  const std::pair<int32_t, const char*> texts[] = {
      {0, "Success"},
      {16, "Invalid Handle"},
      {17, "A passed parameter is NULL"},
      {18, "Device not found"},
      {19, "Device Driver not found"},
      {20, "Insufficient memory"},
      {21, "Invalid register address for this operation"},
      {22, "Could not allocate or release space on heap"},
      {23, "Could not unlock space on heap"},
      {24, "Non-existent axis"},
      {25, "Error or invalid data on axis or reference"},
      {26, "Unexpected error: Invalid error code from driver"},
      {27, "Unexpected error: Invalid handle from driver"},
      {28, "Unexpected error: Null parameter getting base address"},
      {29, "Unexpected error: Invalid error code getting base address"},
      {30, "Unexpected error: While locking heap"},
      {31, "Unexpected error: From interrupt routine"},
      {32, "Too many attached events"},
      {15, "Invalid error code"},
      {33, "Invalid error code"},
      {0x8010, "Invalid error code"},
      {0x10010, "Invalid Handle"}};
  for (const auto& [code, text] : texts) EXPECT_STREQ(ZemtraGetErrStr(code), text) << code;
  EXPECT_EQ(ZemtraGetLibraryRev(), 0x10);
}

}  // namespace
}  // namespace zemtra::test
