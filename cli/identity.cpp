#include "identity.h"

#include "failures.h"

namespace zemtra::cli {

BoardIdentity ReadIdentity(DeviceHandle board) {
  BoardIdentity identity;
  Check("ZemtraGetFPGAIds", ZemtraGetFPGAIds(board, &identity.fpga1Product, &identity.fpga2Product));
  Check("ZemtraGetFPGARevs",
        ZemtraGetFPGARevs(board, &identity.fpga1Revision, &identity.fpga2Revision));
  Check("ZemtraGetHdwRev", ZemtraGetHdwRev(board, &identity.hardwareRevision));
  return identity;
}

}  // namespace zemtra::cli
