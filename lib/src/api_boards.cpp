// Finding, opening and closing boards.
#include <algorithm>

#include "handle_table.h"
#include "vendor_results.h"
#include "zemtra.h"
#include "zemtra_registers.h"

using namespace zemtra;

namespace {

// The access layer's location record for a caller's filter; null means any.
pci::Location VendorLocation(const DeviceLocation* filter) {
  pci::Location location;
  if (filter != nullptr) {
    location.bus = filter->bus;
    location.slot = filter->slot;
  }
  return location;
}

// Every register the library reads at a fixed offset must lie inside the
// mapped windows; a board mapped shorter than that is not usable.
bool WindowsLongEnough(const DeviceRecord& record) {
  return record.Registers().Length() >= ZEMTRA_REG_WINDOW_MIN_LENGTH &&
         record.Revision().Length() >= ZEMTRA_REV_HARDWARE + sizeof(uint16_t);
}

// Puts a fully built record into the table; gives the handle's code.
ErrorCode StoreRecord(const DeviceRecord& record, int32_t* boardId, DeviceHandle* handle) {
  const DeviceHandle fresh = g_handles.Reserve();
  if (fresh == 0) {
    return ZEMTRA_ERR_HEAP;
  }
  HandleTable::Slot* slot = g_handles.LockReserved(fresh);
  if (slot == nullptr) {
    g_handles.Discard(fresh);
    return ZEMTRA_ERR_LOCK;
  }
  slot->record = record;
  if (boardId != nullptr) {
    *boardId = static_cast<int32_t>(record.Registers().Read32(ZEMTRA_REG_FPGA1_PRODUCT));
  }
  if (!g_handles.Unlock(*slot)) {
    g_handles.Discard(fresh);
    return ZEMTRA_ERR_UNLOCK;
  }
  g_handles.Publish(*slot);
  *handle = fresh;
  return ZEMTRA_SUCCESS;
}

}  // namespace

DeviceLocation* ZemtraDefaultDevice(DeviceLocation* location) {
  if (location != nullptr) {
    *location = DeviceLocation{-1, -1};
  }
  return location;
}

ErrorCode ZemtraFind(const DeviceLocation* filter, uint32_t* count, DeviceLocation* list,
                     uint32_t capacity) {
  if (count == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  *count = 0;
  const pci::Location pattern = VendorLocation(filter);
  pci::Location query = pattern;
  uint32_t request = pci::kCountRequest;
  if (const ErrorCode code = kFromDeviceResult(pci::DeviceFind(&query, &request))) {
    return code;
  }
  if (list == nullptr) {
    if (capacity != 0) {
      return ZEMTRA_ERR_NULL_PARAMETER;
    }
    *count = request;
    return ZEMTRA_SUCCESS;
  }
  const uint32_t wanted = std::min(request, capacity);
  for (uint32_t index = 0; index < wanted; ++index) {
    query = pattern;
    request = index;
    if (const ErrorCode code = kFromDeviceResult(pci::DeviceFind(&query, &request))) {
      return code;
    }
    list[index] = DeviceLocation{query.bus, query.slot};
    ++*count;
  }
  return ZEMTRA_SUCCESS;
}

ErrorCode ZemtraOpen(DeviceLocation* location, DeviceHandle* handle, int32_t* boardId) {
  if (handle == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  *handle = 0;
  pci::Location where = VendorLocation(location);
  DeviceRecord record;
  if (const ErrorCode code = kFromDeviceResult(pci::DeviceOpen(&where, &record.device))) {
    return code;
  }
  ErrorCode code = kFromBaseAddressResult(pci::BaseAddressesGet(record.device, &record.windows));
  if (code == ZEMTRA_SUCCESS && !WindowsLongEnough(record)) {
    code = ZEMTRA_ERR_BASE_ADDRESS_CODE;
  }
  if (code == ZEMTRA_SUCCESS) {
    code = StoreRecord(record, boardId, handle);
  }
  // A failed open gives back the device it opened: the caller gets no handle
  // to close it with.
  if (code != ZEMTRA_SUCCESS) {
    pci::DeviceClose(record.device);
    return code;
  }
  if (location != nullptr) {
    *location = DeviceLocation{where.bus, where.slot};
  }
  return ZEMTRA_SUCCESS;
}

ErrorCode ZemtraClose(DeviceHandle* handle) {
  if (handle == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  HandleTable::Slot* slot = g_handles.Lock(*handle);
  if (slot == nullptr) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  if (!g_handles.BeginClose(*slot)) {
    g_handles.Unlock(*slot);
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  const ErrorCode code = kFromCloseResult(pci::DeviceClose(slot->record.device));
  g_handles.Unlock(*slot);  // its outcome does not change a close
  if (code != ZEMTRA_SUCCESS) {
    g_handles.AbortClose(*slot);
    return code;
  }
  g_handles.Discard(*handle);
  *handle = 0;
  return ZEMTRA_SUCCESS;
}
