// Board identification and the library's own revision.
#include "board_lock.h"
#include "zemtra.h"
#include "zemtra_registers.h"

using namespace zemtra;

namespace {

constexpr int32_t kLibraryRevision = 0x10;

// One register of each FPGA, FPGA 1 first, each stored as soon as it is read.
ErrorCode ReadFpgaPair(DeviceHandle handle, uint32_t fpga1Register, uint32_t fpga2Register,
                       uint32_t* fpga1, uint32_t* fpga2) {
  if (handle == 0 || fpga1 == nullptr || fpga2 == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  *fpga1 = board.Read32(fpga1Register);
  *fpga2 = board.Read32(fpga2Register);
  return board.Unlock() ? ZEMTRA_SUCCESS : ZEMTRA_ERR_UNLOCK;
}

}  // namespace

ErrorCode ZemtraGetFPGARevs(DeviceHandle handle, uint32_t* revision1, uint32_t* revision2) {
  return ReadFpgaPair(handle, ZEMTRA_REG_FPGA1_REVISION, ZEMTRA_REG_FPGA2_REVISION, revision1,
                      revision2);
}

ErrorCode ZemtraGetFPGAIds(DeviceHandle handle, uint32_t* productCode1, uint32_t* productCode2) {
  return ReadFpgaPair(handle, ZEMTRA_REG_FPGA1_PRODUCT, ZEMTRA_REG_FPGA2_PRODUCT, productCode1,
                      productCode2);
}

ErrorCode ZemtraGetHdwRev(DeviceHandle handle, uint16_t* revision) {
  if (handle == 0 || revision == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  *revision = board.Record().Revision().Read16(ZEMTRA_REV_HARDWARE);
  return board.Unlock() ? ZEMTRA_SUCCESS : ZEMTRA_ERR_UNLOCK;
}

int32_t ZemtraGetLibraryRev(void) { return kLibraryRevision; }
