// Translation of the access layer's result codes into the library's codes,
// one table per call site; any code a table does not list gets its fallback.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "pci/pci_access.h"
#include "zemtra.h"

namespace zemtra {

template <std::size_t N>
struct ResultMapping {
  std::array<std::pair<pci::Result, ErrorCode>, N> known;
  ErrorCode otherwise;

  constexpr ErrorCode operator()(pci::Result result) const {
    for (const auto& [vendor, code] : known) {
      if (vendor == result) {
        return code;
      }
    }
    return otherwise;
  }
};

// Find and open.
inline constexpr ResultMapping<5> kFromDeviceResult{
    {{{pci::kSuccess, ZEMTRA_SUCCESS},
     {pci::kNullParameter, ZEMTRA_ERR_NULL_PARAMETER},
     {pci::kDeviceNotFound, ZEMTRA_ERR_DEVICE_NOT_FOUND},
     {pci::kDriverNotFound, ZEMTRA_ERR_DRIVER_NOT_FOUND},
     {pci::kInsufficientResources, ZEMTRA_ERR_NO_MEMORY}}},
    ZEMTRA_ERR_DRIVER_CODE};

inline constexpr ResultMapping<2> kFromCloseResult{
    {{{pci::kSuccess, ZEMTRA_SUCCESS}, {pci::kDeviceNotFound, ZEMTRA_ERR_DEVICE_NOT_FOUND}}},
    ZEMTRA_ERR_DRIVER_CODE};

inline constexpr ResultMapping<3> kFromBaseAddressResult{
    {{{pci::kSuccess, ZEMTRA_SUCCESS},
     {pci::kNullParameter, ZEMTRA_ERR_BASE_ADDRESS_NULL},
     {pci::kInvalidHandle, ZEMTRA_ERR_DRIVER_HANDLE}}},
    ZEMTRA_ERR_BASE_ADDRESS_CODE};

inline constexpr ResultMapping<2> kFromInterruptEnableResult{
    {{{pci::kSuccess, ZEMTRA_SUCCESS}, {pci::kInvalidHandle, ZEMTRA_ERR_INVALID_HANDLE}}},
    ZEMTRA_ERR_INTERRUPT};

inline constexpr ResultMapping<3> kFromInterruptAttachResult{
    {{{pci::kSuccess, ZEMTRA_SUCCESS},
     {pci::kInsufficientResources, ZEMTRA_ERR_TOO_MANY_EVENTS},
     {pci::kInvalidHandle, ZEMTRA_ERR_INVALID_HANDLE}}},
    ZEMTRA_ERR_INTERRUPT};

}  // namespace zemtra
