// Identification registers, the library revision and the error texts.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "pci/register_model.h"
#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using Model = pci::RegisterModel;

class IdentityTest : public SimBoardTest {
 protected:
  const char* SimConfig() const override { return "boards=1,motion=off,id=0x1"; }
};

TEST_F(IdentityTest, FpgaCodesComeFpga1First) {
  uint32_t first = 0, second = 0;
  EXPECT_EQ(ZemtraGetFPGAIds(handle_, &first, &second), ZEMTRA_SUCCESS);
  EXPECT_EQ(first, 0x1u);
  EXPECT_EQ(second, Model::kFpga2Product);
  EXPECT_EQ(ZemtraGetFPGARevs(handle_, &first, &second), ZEMTRA_SUCCESS);
  EXPECT_EQ(first, Model::kFpga1Revision);
  EXPECT_EQ(second, Model::kFpga2Revision);
  EXPECT_TRUE(SameSequence(Log(), {R32(ZEMTRA_REG_FPGA1_PRODUCT), R32(ZEMTRA_REG_FPGA2_PRODUCT),
                                   R32(ZEMTRA_REG_FPGA1_REVISION), R32(ZEMTRA_REG_FPGA2_REVISION)}));
  EXPECT_EQ(ZemtraGetFPGAIds(handle_, &first, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_TRUE(Log().empty());
}

TEST_F(IdentityTest, HardwareRevisionComesFromTheRevisionWindow) {
  uint16_t revision = 0;
  EXPECT_EQ(ZemtraGetHdwRev(handle_, &revision), ZEMTRA_SUCCESS);
  EXPECT_EQ(revision, Model::kHardwareRevision);
  EXPECT_TRUE(SameSequence(Log(), {Rev16(ZEMTRA_REV_HARDWARE)}));
}

TEST(LibraryRevision, NeedsNoBoard) { EXPECT_EQ(ZemtraGetLibraryRev(), 0x10); }

TEST(ErrorText, EveryCodeHasItsText) {
  const std::vector<std::pair<int, const char*>> table{
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
      {32, "Too many attached events"}};
  for (const auto& [code, text] : table) {
    EXPECT_STREQ(ZemtraGetErrStr(static_cast<ErrorCode>(code)), text) << code;
  }
}

TEST(ErrorText, UnknownCodesHaveOneTextAndOnlyTheLow16BitsCount) {
  for (const int code : {1, 15, 33, -1, 100, -32768, 32767}) {
    EXPECT_STREQ(ZemtraGetErrStr(static_cast<ErrorCode>(code)), "Invalid error code") << code;
  }
  // A caller passing a wider integer (not a constant, as in a real caller):
  // only its low 16 bits count.
  int32_t wideInvalidHandle = 0x10010;
  int32_t wideSuccess = 0x10000;
  EXPECT_STREQ(ZemtraGetErrStr(wideInvalidHandle), "Invalid Handle");
  EXPECT_STREQ(ZemtraGetErrStr(wideSuccess), "Success");
}

}  // namespace
}  // namespace zemtra::test
