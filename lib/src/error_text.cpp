// The text of every error code.
#include <array>
#include <utility>

#include "zemtra.h"

namespace {

constexpr std::array<std::pair<ErrorCode, const char*>, 18> kErrorTexts{{
    {ZEMTRA_SUCCESS, "Success"},
    {ZEMTRA_ERR_INVALID_HANDLE, "Invalid Handle"},
    {ZEMTRA_ERR_NULL_PARAMETER, "A passed parameter is NULL"},
    {ZEMTRA_ERR_DEVICE_NOT_FOUND, "Device not found"},
    {ZEMTRA_ERR_DRIVER_NOT_FOUND, "Device Driver not found"},
    {ZEMTRA_ERR_NO_MEMORY, "Insufficient memory"},
    {ZEMTRA_ERR_BAD_ADDRESS, "Invalid register address for this operation"},
    {ZEMTRA_ERR_HEAP, "Could not allocate or release space on heap"},
    {ZEMTRA_ERR_UNLOCK, "Could not unlock space on heap"},
    {ZEMTRA_ERR_NO_AXIS, "Non-existent axis"},
    {ZEMTRA_ERR_INVALID_DATA, "Error or invalid data on axis or reference"},
    {ZEMTRA_ERR_DRIVER_CODE, "Unexpected error: Invalid error code from driver"},
    {ZEMTRA_ERR_DRIVER_HANDLE, "Unexpected error: Invalid handle from driver"},
    {ZEMTRA_ERR_BASE_ADDRESS_NULL, "Unexpected error: Null parameter getting base address"},
    {ZEMTRA_ERR_BASE_ADDRESS_CODE, "Unexpected error: Invalid error code getting base address"},
    {ZEMTRA_ERR_LOCK, "Unexpected error: While locking heap"},
    {ZEMTRA_ERR_INTERRUPT, "Unexpected error: From interrupt routine"},
    {ZEMTRA_ERR_TOO_MANY_EVENTS, "Too many attached events"},
}};

constexpr const char* kUnknownCode = "Invalid error code";

}  // namespace

const char* ZemtraGetErrStr(ErrorCode code) {
  for (const auto& [known, text] : kErrorTexts) {
    if (known == code) {
      return text;
    }
  }
  return kUnknownCode;
}
