#include "register_names.h"

#include <span>

namespace zemtra::cli {

namespace {

// Where a bit of a composed word comes from: the register and its bit there.
struct ComposedBit {
  uint16_t wordMask;
  int32_t registerOffset;
  uint16_t registerMask;
};

constexpr ComposedBit kStatusWord[] = {
    {ZEMTRA_STATUS_REF_GLITCH, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_REF_GLITCH},
    {ZEMTRA_STATUS_REF_NOSIG, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_REF_NOSIG},
    {ZEMTRA_STATUS_A3_GLITCH, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_GLITCH},
    {ZEMTRA_STATUS_A3_NOSIG, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_NOSIG},
    {ZEMTRA_STATUS_A1_GLITCH, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_GLITCH},
    {ZEMTRA_STATUS_A1_NOSIG, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_NOSIG},
    {ZEMTRA_STATUS_A2_GLITCH, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH},
    {ZEMTRA_STATUS_A2_NOSIG, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_NOSIG},
};

constexpr ComposedBit kConfigWord[] = {
    {ZEMTRA_CONFIG_IRQ_ENABLE, ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE},
    {ZEMTRA_CONFIG_A3_DIR, ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_A3_DIR},
    {ZEMTRA_CONFIG_A1_DIR, ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A1_DIR},
    {ZEMTRA_CONFIG_A2_DIR, ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A2_DIR},
};

std::span<const ZemtraBitInfo> BitsOf(const ZemtraRegisterInfo* info) {
  if (info == nullptr || info->bits == nullptr) return {};
  return {info->bits, info->bitCount};
}

std::string BitName(int32_t offset, uint16_t mask) {
  for (const ZemtraBitInfo& bit : BitsOf(FindRegister(offset))) {
    if (bit.mask == mask) return bit.name;
  }
  return {};
}

std::vector<std::string> ComposedBitNames(std::span<const ComposedBit> layout, uint16_t word) {
  std::vector<std::string> names;
  for (const ComposedBit& bit : layout) {
    if ((word & bit.wordMask) != 0) names.push_back(BitName(bit.registerOffset, bit.registerMask));
  }
  return names;
}

}  // namespace

const ZemtraRegisterInfo* FindRegister(int32_t offset) {
  for (const ZemtraRegisterInfo& info : ZemtraRegisterMap) {
    if (info.offset == offset) return &info;
  }
  return nullptr;
}

std::vector<std::string> RegisterBitNames(int32_t offset, uint16_t value) {
  std::vector<std::string> names;
  for (const ZemtraBitInfo& bit : BitsOf(FindRegister(offset))) {
    if ((value & bit.mask) != 0) names.emplace_back(bit.name);
  }
  return names;
}

std::vector<std::string> StatusWordBitNames(uint16_t status) {
  return ComposedBitNames(kStatusWord, status);
}

std::vector<std::string> ConfigWordBitNames(uint16_t config) {
  return ComposedBitNames(kConfigWord, config);
}

std::string JoinNames(const std::vector<std::string>& names) {
  if (names.empty()) return "-";
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

}  // namespace zemtra::cli
