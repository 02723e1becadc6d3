// The position plot: three moving axes in millimetres, with the Glitch of
// axis 1 latching at the start and again after it was cleared.
#include <QComboBox>
#include <QTimer>

#include "plot/position_plot.h"
#include "program.h"
#include "shoot.h"
#include "unit1.h"
#include "zemtra_registers.h"

namespace {

void PositionPlot(const QString& out) {
  InitApplication();
  CreateWindows();
  Form1->Timer3Timer(Form1->Timer3);
  Form1->RadioGroupUnitSelect->SetItemIndex(2);
  Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
  Form1->PositionPlot1->trigger();
  TFormPositionPlot* plot = Form1->FormPositionPlot;
  plot->ComboBoxRate->setCurrentIndex(2);    // 100 Hz
  plot->ComboBoxWindow->setCurrentIndex(0);  // 5 s
  screenshots::Settle(1500);
  uint16_t status = 0;
  ZemtraClearStatusBits(Form1->CardHandle, ZEMTRA_STATUS_A1_GLITCH, &status);
  screenshots::Settle(3000);
  screenshots::SaveScreen(out, "position-plot");
  DestroyWindows();
}

const screenshots::SceneRegistrar kPositionPlot({"plot", "boards=1,glitch=A1", &PositionPlot});

}  // namespace
