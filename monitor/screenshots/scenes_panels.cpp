// The main window as the user sees it: every display mode with values from a
// moving simulated board, a board with a missing and a glitching signal, and
// the no-card state after the retry box was answered with Cancel.
#include <QPushButton>
#include <QTimer>

#include "program.h"
#include "shoot.h"
#include "unit1.h"
#include "zemtra.h"

namespace {

// Starts the windows as the program does and runs the start-up tick at once.
void StartMonitor() {
  InitApplication();
  CreateWindows();
  screenshots::Settle();
  Form1->Timer3Timer(Form1->Timer3);
}

// Positions far from zero, so that grouping and signs show.
void PresetPositions() {
  ZemtraPresetRawAll(Form1->CardHandle, 2000000000, -123456789, 1000000, &Form1->StatusWord);
}

void ShowMode(const QString& outputDir, int mode, const char* name) {
  StartMonitor();
  PresetPositions();
  Form1->RadioGroupUnitSelect->SetItemIndex(mode);
  Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
  screenshots::SaveScreen(outputDir, QString::fromLatin1(name));
  DestroyWindows();
}

void RawDecScene(const QString& outputDir) { ShowMode(outputDir, 0, "mode-rawdec"); }
void RawHexScene(const QString& outputDir) { ShowMode(outputDir, 1, "mode-rawhex"); }
void InchScene(const QString& outputDir) { ShowMode(outputDir, 3, "mode-inch"); }

// Millimetres with three different optics, so that the fold factors show.
void MillimetreScene(const QString& outputDir) {
  StartMonitor();
  PresetPositions();
  Form1->RadioGroupAx2Optic->SetItemIndex(1);
  Form1->RadioGroupAx2OpticClick(Form1->RadioGroupAx2Optic);
  Form1->RadioGroupAx3Optic->SetItemIndex(2);
  Form1->RadioGroupAx3OpticClick(Form1->RadioGroupAx3Optic);
  Form1->RadioGroupUnitSelect->SetItemIndex(2);
  Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
  screenshots::SaveScreen(outputDir, QStringLiteral("mode-mm"));
  DestroyWindows();
}

void FaultsScene(const QString& outputDir) {
  StartMonitor();
  Form1->ButtonUpdateClick(Form1->ButtonUpdate);
  screenshots::SaveScreen(outputDir, QStringLiteral("faults"));
  DestroyWindows();
}

void NoCardScene(const QString& outputDir) {
  InitApplication();
  CreateWindows();
  Form1->MessageBoxAnswerer = [](const QString&, const QString&, unsigned) { return int{mrCancel}; };
  screenshots::Settle();
  Form1->Timer3Timer(Form1->Timer3);
  Form1->ButtonUpdateClick(Form1->Timer1);
  screenshots::SaveScreen(outputDir, QStringLiteral("nocard"));
  DestroyWindows();
}

const screenshots::SceneRegistrar kRawDec({"mode-rawdec", "1", &RawDecScene});
const screenshots::SceneRegistrar kRawHex({"mode-rawhex", "1", &RawHexScene});
const screenshots::SceneRegistrar kMillimetre({"mode-mm", "1", &MillimetreScene});
const screenshots::SceneRegistrar kInch({"mode-inch", "1", &InchScene});
const screenshots::SceneRegistrar kFaults({"faults", "boards=1,nosig=A2,glitch=REF", &FaultsScene});
const screenshots::SceneRegistrar kNoCard({"nocard", "", &NoCardScene});

}  // namespace
