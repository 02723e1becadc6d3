// The board's interrupt at the bridge: enable, disable, attach an event. The
// library runs no interrupt service; the caller waits on the event.
#include <unistd.h>

#include "board_lock.h"
#include "vendor_results.h"
#include "zemtra.h"

using namespace zemtra;

ErrorCode ZemtraPciInterruptEnable(DeviceHandle handle, int32_t enable) {
  if (handle == 0) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  const pci::InterruptSource source;
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  const uint32_t device = board.Record().device;
  const pci::Result result =
      enable != 0 ? pci::IntrEnable(device, &source) : pci::IntrDisable(device, &source);
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  return kFromInterruptEnableResult(result);
}

ErrorCode ZemtraPciInterruptAttach(DeviceHandle handle, uint32_t* event) {
  if (handle == 0 || event == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  uint32_t attached = 0;
  const pci::Result result = pci::IntrAttach(board.Record().device, pci::InterruptSource{}, &attached);
  if (!board.Unlock()) {
    // The caller never learns of an event it is not handed: give it back.
    if (result == pci::kSuccess) {
      ::close(static_cast<int>(attached));
    }
    return ZEMTRA_ERR_UNLOCK;
  }
  *event = result == pci::kSuccess ? attached : 0;
  return kFromInterruptAttachResult(result);
}
