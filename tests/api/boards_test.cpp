// Finding and opening boards: the list, the filter, the location written
// back, and real boards whose windows are just long enough or too short.
#include <cstring>
#include <optional>
#include <string>

#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

class FindAndOpen : public Library {};

// Each filter and list against three boards: the count, then every entry of
// a list of 4 ("7/7": untouched).
TEST_F(FindAndOpen, FindListsNoMoreThanAsked) {
  Boards("boards=3,motion=off");
  const struct {
    std::optional<DeviceLocation> filter;
    bool list;
    uint32_t capacity;
    ErrorCode code;
    const char* found;
  } finds[] = {
      {std::nullopt, false, 0, 0, "3 7/7 7/7 7/7 7/7"},
      {std::nullopt, false, 1, 17, "0 7/7 7/7 7/7 7/7"},  // no list but a capacity
      {std::nullopt, true, 0, 0, "0 7/7 7/7 7/7 7/7"},
      {std::nullopt, true, 2, 0, "2 240/0 240/1 7/7 7/7"},
      {DeviceLocation{-1, -1}, true, 4, 0, "3 240/0 240/1 240/2 7/7"},
      {DeviceLocation{-1, 1}, true, 4, 0, "1 240/1 7/7 7/7 7/7"},
      {DeviceLocation{240, 2}, true, 4, 0, "1 240/2 7/7 7/7 7/7"},
      {DeviceLocation{-2, -1}, true, 4, 0, "0 7/7 7/7 7/7 7/7"},  // only -1 means any
      {DeviceLocation{241, -1}, false, 0, 0, "0 7/7 7/7 7/7 7/7"},
  };
  for (const auto& row : finds) {
    DeviceLocation list[4] = {{7, 7}, {7, 7}, {7, 7}, {7, 7}};
    uint32_t count = 99;
    const DeviceLocation* filter = row.filter ? &*row.filter : nullptr;
    EXPECT_EQ(ZemtraFind(filter, &count, row.list ? list : nullptr, row.capacity), row.code) << row.found;
    std::string found = std::to_string(count);
    for (const DeviceLocation& entry : list) {
      found += " " + std::to_string(entry.bus) + "/" + std::to_string(entry.slot);
    }
    EXPECT_EQ(found, row.found);
  }
}

TEST_F(FindAndOpen, FindStopsAtTheFirstFailureKeepingWhatItListed) {
  Boards("boards=3,motion=off");
  // The count and the first entry are found, the second fails.
  pci::sim::ForceResult(pci::sim::Operation::kDeviceFind, pci::kDriverNotFound, 1, 2);
  DeviceLocation list[3] = {{7, 7}, {7, 7}, {7, 7}};
  uint32_t count = 0;
  EXPECT_EQ(ZemtraFind(nullptr, &count, list, 3), ZEMTRA_ERR_DRIVER_NOT_FOUND);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(list[0].slot, 0);
  EXPECT_EQ(list[1].bus, 7);
}

TEST_F(FindAndOpen, OpenWritesBackWhereTheBoardIsAndReachesOnlyThatBoard) {
  Boards("boards=3,motion=off");
  DeviceLocation any;
  EXPECT_EQ(ZemtraDefaultDevice(&any), &any);
  EXPECT_EQ(ZemtraDefaultDevice(nullptr), nullptr);
  OpenBoard(&any);
  EXPECT_EQ(any.bus, 240);
  EXPECT_EQ(any.slot, 0);

  DeviceLocation third{-1, 2};
  const DeviceHandle h = OpenBoard(&third);
  EXPECT_EQ(third.bus, 240);
  EXPECT_EQ(ZemtraSetFilter(h, 0x0013), ZEMTRA_SUCCESS);
  EXPECT_EQ(Log(0) + Log(1), "");
  EXPECT_EQ(Log(2), "W16 reg 0x01C 0x0013");

  DeviceLocation missing{-1, 9};
  DeviceHandle none = 1234;
  EXPECT_EQ(ZemtraOpen(&missing, &none, nullptr), ZEMTRA_ERR_DEVICE_NOT_FOUND);
  EXPECT_EQ(missing.slot, 9);
  EXPECT_EQ(none, 0u);
}

struct WindowCase : Named {
  std::size_t registers, revision;  // bytes
  ErrorCode code;
};

class RealBoard : public Library, public ::testing::WithParamInterface<WindowCase> {};

// A real board's windows are as long as the kernel maps them: a board too
// short for the registers the library reads is not opened, and on one that
// is opened every offset up to the window's end works and none beyond.
TEST_P(RealBoard, WindowsLongEnoughOrRefused) {
  const WindowCase& row = GetParam();
  tree_.AddDevice("0000:05:00.0", pci::kVendorId, pci::kDeviceId, row.registers, row.revision);
  std::string registers(row.registers, '\0');
  const uint32_t id = ZEMTRA_BOARD_ID;
  std::memcpy(registers.data() + ZEMTRA_REG_FPGA1_PRODUCT, &id, sizeof id);
  WriteFile(tree_.Device("0000:05:00.0") / "resource2", registers);

  DeviceHandle h = 1234;
  int32_t boardId = 0;
  ASSERT_EQ(ZemtraOpen(nullptr, &h, &boardId), row.code);
  if (row.code != ZEMTRA_SUCCESS) {
    EXPECT_EQ(h, 0u);
    return;
  }
  EXPECT_EQ(boardId, ZEMTRA_BOARD_ID);
  const auto end = static_cast<int32_t>(row.registers);
  uint32_t value = 0;
  uint16_t word = 0;
  EXPECT_EQ(ZemtraWriteRegisterLong(h, end - 4, 0xCAFEF00Du), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterLong(h, end - 4, &value), ZEMTRA_SUCCESS);
  EXPECT_EQ(value, 0xCAFEF00Du);
  EXPECT_EQ(ZemtraReadRegisterWord(h, end - 2, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(word, 0xCAFE);
  EXPECT_EQ(ZemtraReadRegisterLong(h, end, &value), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraWriteRegisterWord(h, end, 1), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraGetHdwRev(h, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraClose(&h), ZEMTRA_SUCCESS);
}

const WindowCase kWindows[] = {
    {"JustLongEnough", ZEMTRA_REG_WINDOW_MIN_LENGTH, 2, ZEMTRA_SUCCESS},
    {"Long", 0x1000, 0x10, ZEMTRA_SUCCESS},
    {"RegistersShort", ZEMTRA_REG_WINDOW_MIN_LENGTH - 2, 2, ZEMTRA_ERR_BASE_ADDRESS_CODE},
    {"RevisionShort", ZEMTRA_REG_WINDOW_MIN_LENGTH, 1, ZEMTRA_ERR_BASE_ADDRESS_CODE},
};

INSTANTIATE_TEST_SUITE_P(Lengths, RealBoard, ::testing::ValuesIn(kWindows), RowName());

}  // namespace
}  // namespace zemtra::test
