#include "flags.h"

#include <cctype>
#include <span>

#include "zemtra_registers.h"

namespace zemtra::python {

namespace {

// Where a bit of a word comes from: the register and the bit there, whose
// name in the register map the bit takes.
struct Source {
  uint16_t wordMask;
  int32_t registerOffset;
  uint16_t registerMask;
};

// Status word: A1/A2 Error Status in the low byte, A3/Ref Error Status in the high byte.
constexpr Source kStatusWord[] = {
    {ZEMTRA_STATUS_A2_NOSIG, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_NOSIG},
    {ZEMTRA_STATUS_A2_GLITCH, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH},
    {ZEMTRA_STATUS_A1_NOSIG, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_NOSIG},
    {ZEMTRA_STATUS_A1_GLITCH, ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_GLITCH},
    {ZEMTRA_STATUS_A3_NOSIG, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_NOSIG},
    {ZEMTRA_STATUS_A3_GLITCH, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_GLITCH},
    {ZEMTRA_STATUS_REF_NOSIG, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_REF_NOSIG},
    {ZEMTRA_STATUS_REF_GLITCH, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_REF_GLITCH},
};

// Configuration word: A1/A2 Control in the low byte, A3/IRQ Control in the high byte.
constexpr Source kConfigWord[] = {
    {ZEMTRA_CONFIG_A2_DIR, ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A2_DIR},
    {ZEMTRA_CONFIG_A1_DIR, ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A1_DIR},
    {ZEMTRA_CONFIG_A3_DIR, ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_A3_DIR},
    {ZEMTRA_CONFIG_IRQ_ENABLE, ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE},
};

std::span<const ZemtraBitInfo> BitsOfRegister(int32_t offset) {
  for (const ZemtraRegisterInfo& info : ZemtraRegisterMap) {
    if (info.offset == offset && info.bits != nullptr) return {info.bits, info.bitCount};
  }
  return {};
}

// "A1 No Sig" -> "A1_NO_SIG".
std::string Identifier(const char* name) {
  std::string identifier;
  for (const char* c = name; *c != '\0'; ++c) {
    identifier += *c == ' ' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  }
  return identifier;
}

std::vector<FlagBit> Compose(std::span<const Source> layout) {
  std::vector<FlagBit> bits;
  for (const Source& source : layout) {
    for (const ZemtraBitInfo& bit : BitsOfRegister(source.registerOffset)) {
      if (bit.mask == source.registerMask) bits.push_back({Identifier(bit.name), source.wordMask});
    }
  }
  return bits;
}

}  // namespace

std::vector<FlagBit> StatusBits() { return Compose(kStatusWord); }

std::vector<FlagBit> ConfigBits() { return Compose(kConfigWord); }

std::vector<FlagBit> InterruptMaskBits() {
  std::vector<FlagBit> bits;
  for (const ZemtraBitInfo& bit : BitsOfRegister(ZEMTRA_REG_INTERRUPT_MASK)) {
    bits.push_back({Identifier(bit.name), bit.mask});
  }
  return bits;
}

uint16_t AllBits(const std::vector<FlagBit>& layout) {
  uint16_t all = 0;
  for (const FlagBit& bit : layout) all |= bit.mask;
  return all;
}

uint16_t InterruptMaskFor(uint16_t status) {
  uint16_t mask = 0;
  for (const FlagBit& statusBit : StatusBits()) {
    if ((status & statusBit.mask) == 0) continue;
    for (const FlagBit& maskBit : InterruptMaskBits()) {
      if (maskBit.name == statusBit.name) mask |= maskBit.mask;
    }
  }
  return mask;
}

}  // namespace zemtra::python
