// The direct register access dialog: a 16-bit register selected, with its bit
// names and set bits, and the narrow form with the map hidden.
#include <QPushButton>

#include "regaccess.h"
#include "shoot.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace {

void RegisterAccessScene(const QString& outputDir) {
  DeviceHandle card = 0;
  ZemtraOpen(nullptr, &card, nullptr);
  // Something to see in the Interrupt Mask: Ref and A1 sources enabled.
  ZemtraWriteRegisterWord(card, ZEMTRA_REG_INTERRUPT_MASK,
                          ZEMTRA_IM_REF_GLITCH | ZEMTRA_IM_REF_NOSIG | ZEMTRA_IM_A1_GLITCH |
                              ZEMTRA_IM_A2_NOSIG);

  TFormRegAccess dialog(&card);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  screenshots::Settle();
  auto* mask = dialog.findChild<TRegisterLabel*>(QStringLiteral("LabelReg0x016"));
  dialog.LabelRegDefClick(mask);
  screenshots::SaveScreen(outputDir, QStringLiteral("regaccess-16bit"));

  dialog.ButtonShowHide->click();
  screenshots::SaveScreen(outputDir, QStringLiteral("regaccess-narrow"));

  ZemtraClose(&card);
}

const screenshots::SceneRegistrar kRegisterAccess(
    {"regaccess", "boards=1,motion=off,nosig=A2,glitch=A1", &RegisterAccessScene});

}  // namespace
