// The words of the C interface as named bits: the status word, the
// configuration word and the interrupt mask, each bit named as the register
// map names it ("A1 No Sig" becomes A1_NO_SIG).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zemtra::python {

struct FlagBit {
  std::string name;
  uint16_t mask;
};

std::vector<FlagBit> StatusBits();
std::vector<FlagBit> ConfigBits();
std::vector<FlagBit> InterruptMaskBits();

// Every bit of `layout` or'ed together.
uint16_t AllBits(const std::vector<FlagBit>& layout);

// The interrupt mask bits of the errors named by `status` (status word bits):
// the mask has a layout of its own, matched by name.
uint16_t InterruptMaskFor(uint16_t status);

}  // namespace zemtra::python
