// The interrupt path through the library: the mask, IRQ Enable in the
// configuration word and the bridge source must all be on for a newly
// latched error to make the attached event readable.
#include <unistd.h>

#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

class Interrupts : public Library {
 protected:
  // Sets the three switches, attaches, then latches a fresh A1 Glitch.
  bool InterruptArrives(DeviceHandle h, bool mask, bool irqEnable, bool bridge) {
    uint16_t status = 0;
    EXPECT_EQ(ZemtraClearStatusAll(h, &status), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraSetInterruptMask(h, mask ? ZEMTRA_IM_A1_GLITCH : ZEMTRA_IM_A1_NOSIG), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraSetConfig(h, irqEnable ? ZEMTRA_CONFIG_IRQ_ENABLE : 0), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraPciInterruptEnable(h, bridge ? 1 : 0), ZEMTRA_SUCCESS);
    uint32_t event = 0;
    EXPECT_EQ(ZemtraPciInterruptAttach(h, &event), ZEMTRA_SUCCESS);
    const int fd = static_cast<int>(Keep(event));
    uint64_t earlier = 0;  // every attach of one handle shares one event
    while (Readable(fd) && ::read(fd, &earlier, sizeof earlier) == sizeof earlier) {
    }
    pci::sim::SetSignal(0, pci::Signal::kA1, pci::SignalState::kGlitching);
    pci::sim::SetSignal(0, pci::Signal::kA1, pci::SignalState::kPresent);
    return Readable(fd);
  }
};

TEST_F(Interrupts, AnErrorInterruptsOnlyWithAllThreeSwitchesOn) {
  Boards("motion=off");
  const DeviceHandle h = OpenBoard();
  EXPECT_TRUE(InterruptArrives(h, true, true, true));
  EXPECT_FALSE(InterruptArrives(h, false, true, true));
  EXPECT_FALSE(InterruptArrives(h, true, false, true));
  EXPECT_FALSE(InterruptArrives(h, true, true, false));
  EXPECT_TRUE(InterruptArrives(h, true, true, true)) << "the shared event went deaf";
}

}  // namespace
}  // namespace zemtra::test
