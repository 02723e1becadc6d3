// Boards reached through a sysfs tree (a fake one in a temporary directory,
// its BAR files standing in for the board's memory): the library maps what
// the file offers and refuses a board too small for its register map.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "pci/sim_control.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kWindowBytes = 0x200;

class RealBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("zemtra-api-" + std::to_string(::getpid()));
    fs::create_directories(root_ / "dev");
    ::setenv("ZEMTRA_SYSFS_ROOT", (root_ / "sys").c_str(), 1);
    ::setenv("ZEMTRA_DEV_ROOT", (root_ / "dev").c_str(), 1);
    pci::sim::Configure("");
  }
  void TearDown() override {
    ::unsetenv("ZEMTRA_SYSFS_ROOT");
    ::unsetenv("ZEMTRA_DEV_ROOT");
    fs::remove_all(root_);
  }

  // A board whose register window is `registerBytes` long, with the board ID
  // in place when the window holds it.
  void AddBoard(std::size_t registerBytes) {
    const fs::path device = root_ / "sys/bus/pci/devices/0000:05:00.0";
    fs::create_directories(device);
    std::ofstream(device / "vendor") << "0x1f3c\n";
    std::ofstream(device / "device") << "0x0a00\n";
    std::string registers(registerBytes, '\0');
    const uint32_t id = ZEMTRA_BOARD_ID;
    if (registerBytes >= ZEMTRA_REG_FPGA1_PRODUCT + sizeof id) {
      registers.replace(ZEMTRA_REG_FPGA1_PRODUCT, sizeof id, reinterpret_cast<const char*>(&id),
                        sizeof id);
    }
    std::ofstream(device / "resource2", std::ios::binary) << registers;
    std::ofstream(device / "resource3", std::ios::binary) << std::string(0x10, '\0');
  }

  fs::path root_;
};

TEST_F(RealBoardTest, OpensAndRefusesOffsetsBeyondTheMappedFile) {
  AddBoard(kWindowBytes);
  DeviceHandle board = 0;
  int32_t id = 0;
  ASSERT_EQ(ZemtraOpen(nullptr, &board, &id), ZEMTRA_SUCCESS);
  EXPECT_EQ(id, ZEMTRA_BOARD_ID);
  uint32_t value = 0;
  EXPECT_EQ(ZemtraWriteRegisterLong(board, kWindowBytes - 4, 0xCAFEF00Du), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterLong(board, kWindowBytes - 4, &value), ZEMTRA_SUCCESS);
  EXPECT_EQ(value, 0xCAFEF00Du);
  EXPECT_EQ(ZemtraReadRegisterLong(board, kWindowBytes, &value), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraWriteRegisterWord(board, kWindowBytes, 1), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraClose(&board), ZEMTRA_SUCCESS);
}

TEST_F(RealBoardTest, BoardTooSmallForTheRegisterMapIsNotOpened) {
  AddBoard(ZEMTRA_REG_WINDOW_MIN_LENGTH - 4);
  DeviceHandle board = 1234;
  EXPECT_EQ(ZemtraOpen(nullptr, &board, nullptr), ZEMTRA_ERR_BASE_ADDRESS_CODE);
  EXPECT_EQ(board, 0u);
}

}  // namespace
}  // namespace zemtra::test
