// Finding, opening and closing boards, and how vendor results become codes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::sim::ForceResult;
using pci::sim::Operation;

class BoardsTest : public SimBoardTest {
 protected:
  const char* SimConfig() const override { return "boards=3,motion=off"; }

  static DeviceLocation LocationOf(int board) {
    DeviceLocation where{};
    EXPECT_TRUE(pci::sim::BoardLocation(board, &where.bus, &where.slot));
    return where;
  }
};

TEST_F(BoardsTest, FindCountsOnlyWithoutAList) {
  uint32_t count = 99;
  EXPECT_EQ(ZemtraFind(nullptr, &count, nullptr, 0), ZEMTRA_SUCCESS);
  EXPECT_EQ(count, 3u);

  count = 99;
  EXPECT_EQ(ZemtraFind(nullptr, &count, nullptr, 1), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ZemtraFind(nullptr, nullptr, nullptr, 0), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(BoardsTest, FindFillsNoMoreThanTheCapacity) {
  DeviceLocation list[3] = {{7, 7}, {7, 7}, {7, 7}};
  uint32_t count = 99;
  EXPECT_EQ(ZemtraFind(nullptr, &count, list, 0), ZEMTRA_SUCCESS);
  EXPECT_EQ(count, 0u);

  EXPECT_EQ(ZemtraFind(nullptr, &count, list, 2), ZEMTRA_SUCCESS);
  ASSERT_EQ(count, 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(list[i].bus, LocationOf(i).bus);
    EXPECT_EQ(list[i].slot, LocationOf(i).slot);
  }
  EXPECT_EQ(list[2].bus, 7) << "an entry beyond the capacity was written";
}

TEST_F(BoardsTest, FindAppliesTheFilter) {
  const DeviceLocation second = LocationOf(1);
  DeviceLocation list[3]{};
  uint32_t count = 0;
  EXPECT_EQ(ZemtraFind(&second, &count, list, 3), ZEMTRA_SUCCESS);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(list[0].slot, second.slot);
}

TEST_F(BoardsTest, FindStopsAtTheFirstFailureKeepingWhatItListed) {
  // The count request and the first entry succeed, the second entry fails.
  ForceResult(Operation::kDeviceFind, pci::kDriverNotFound, 1, 2);
  DeviceLocation list[3] = {{7, 7}, {7, 7}, {7, 7}};
  uint32_t count = 0;
  EXPECT_EQ(ZemtraFind(nullptr, &count, list, 3), ZEMTRA_ERR_DRIVER_NOT_FOUND);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(list[0].slot, LocationOf(0).slot);
  EXPECT_EQ(list[1].bus, 7);
}

TEST_F(BoardsTest, FindAndOpenMapVendorResults) {
  const std::vector<std::pair<pci::Result, ErrorCode>> mapping{
      {pci::kNullParameter, ZEMTRA_ERR_NULL_PARAMETER},
      {pci::kDeviceNotFound, ZEMTRA_ERR_DEVICE_NOT_FOUND},
      {pci::kDriverNotFound, ZEMTRA_ERR_DRIVER_NOT_FOUND},
      {pci::kInsufficientResources, ZEMTRA_ERR_NO_MEMORY},
      {pci::kInvalidHandle, ZEMTRA_ERR_DRIVER_CODE},
      {static_cast<pci::Result>(999), ZEMTRA_ERR_DRIVER_CODE}};
  for (const auto& [vendor, code] : mapping) {
    uint32_t count = 99;
    ForceResult(Operation::kDeviceFind, vendor);
    EXPECT_EQ(ZemtraFind(nullptr, &count, nullptr, 0), code) << vendor;
    EXPECT_EQ(count, 0u);

    DeviceHandle opened = 1234;
    ForceResult(Operation::kDeviceOpen, vendor);
    EXPECT_EQ(ZemtraOpen(nullptr, &opened, nullptr), code) << vendor;
    EXPECT_EQ(opened, 0u) << "a failed open must leave the handle at 0";
  }
}

TEST_F(BoardsTest, OpenMapsBaseAddressResultsAndReleasesTheDevice) {
  const std::vector<std::pair<pci::Result, ErrorCode>> mapping{
      {pci::kNullParameter, ZEMTRA_ERR_BASE_ADDRESS_NULL},
      {pci::kInvalidHandle, ZEMTRA_ERR_DRIVER_HANDLE},
      {pci::kDeviceNotFound, ZEMTRA_ERR_BASE_ADDRESS_CODE}};
  for (const auto& [vendor, code] : mapping) {
    // If the failed open closes its device it takes this forced result; the
    // close of the board opened afterwards then succeeds.
    ForceResult(Operation::kDeviceClose, pci::kDeviceNotFound);
    ForceResult(Operation::kBaseAddressesGet, vendor);
    DeviceHandle opened = 1234;
    EXPECT_EQ(ZemtraOpen(nullptr, &opened, nullptr), code) << vendor;
    EXPECT_EQ(opened, 0u);

    ASSERT_EQ(ZemtraOpen(nullptr, &opened, nullptr), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS) << "the failed open kept its device";
  }
}

TEST_F(BoardsTest, OpenWithAnyLocationWritesBackTheBoardFound) {
  DeviceLocation where;
  DeviceHandle opened = 0;
  ASSERT_EQ(ZemtraOpen(ZemtraDefaultDevice(&where), &opened, nullptr), ZEMTRA_SUCCESS);
  EXPECT_NE(opened, 0u);
  EXPECT_EQ(where.bus, LocationOf(0).bus);
  EXPECT_EQ(where.slot, LocationOf(0).slot);
  EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraDefaultDevice(nullptr), nullptr);
}

TEST_F(BoardsTest, OpenReachesTheBoardAtTheLocationGiven) {
  DeviceLocation third = LocationOf(2);
  DeviceHandle opened = 0;
  ASSERT_EQ(ZemtraOpen(&third, &opened, nullptr), ZEMTRA_SUCCESS);
  Log(2);
  EXPECT_EQ(ZemtraSetFilter(opened, ZEMTRA_FILTER_ENABLE), ZEMTRA_SUCCESS);
  EXPECT_TRUE(Log(0).empty());
  EXPECT_TRUE(SameSequence(Log(2), {W16(ZEMTRA_REG_FILTER, ZEMTRA_FILTER_ENABLE)}));
  EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS);
}

TEST_F(BoardsTest, OpenReadsTheBoardIdOnlyWhenAsked) {
  DeviceHandle opened = 0;
  Log();
  ASSERT_EQ(ZemtraOpen(nullptr, &opened, nullptr), ZEMTRA_SUCCESS);
  EXPECT_TRUE(Log().empty()) << "open without an id pointer touched the board";
  EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS);

  int32_t id = 0;
  ASSERT_EQ(ZemtraOpen(nullptr, &opened, &id), ZEMTRA_SUCCESS);
  EXPECT_EQ(id, ZEMTRA_BOARD_ID);
  EXPECT_TRUE(SameSequence(Log(), {R32(ZEMTRA_REG_FPGA1_PRODUCT)}));
  EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraOpen(nullptr, nullptr, &id), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(BoardsTest, CloseTwiceGivesInvalidHandleTheSecondTime) {
  EXPECT_EQ(ZemtraClose(&handle_), ZEMTRA_SUCCESS);
  EXPECT_EQ(handle_, 0u);
  EXPECT_EQ(ZemtraClose(&handle_), ZEMTRA_ERR_INVALID_HANDLE);
  EXPECT_EQ(ZemtraClose(nullptr), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(BoardsTest, RefusedCloseKeepsTheBoardOpen) {
  const DeviceHandle before = handle_;
  for (const auto& [vendor, code] : {std::pair{pci::kDeviceNotFound, ZEMTRA_ERR_DEVICE_NOT_FOUND},
                                     std::pair{pci::kInvalidHandle, ZEMTRA_ERR_DRIVER_CODE}}) {
    ForceResult(Operation::kDeviceClose, vendor);
    EXPECT_EQ(ZemtraClose(&handle_), code);
    EXPECT_EQ(handle_, before);
    uint16_t filter = 0;
    EXPECT_EQ(ZemtraGetFilter(handle_, &filter), ZEMTRA_SUCCESS) << "the handle stopped working";
  }
}

}  // namespace
}  // namespace zemtra::test
