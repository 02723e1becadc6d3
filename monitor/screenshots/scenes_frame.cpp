// Scenes of the monitor's frame: the main window after start-up, the splash
// over it, the card selection dialog, the about box and the help window.
#include <QComboBox>
#include <QDir>
#include <QTimer>

#include "aboutmonitor.h"
#include "cardselect.h"
#include "helpviewer.h"
#include "program.h"
#include "shoot.h"
#include "splash.h"
#include "unit1.h"

namespace {

using screenshots::SaveScreen;
using screenshots::SceneRegistrar;
using screenshots::Settle;

// The program's windows as the program entry makes them.
void Start() {
  InitApplication();
  CreateWindows();
  Settle();
}

void Frame(const QString& out) {
  Start();
  // The start-up tick, without waiting its two seconds.
  Form1->Timer3Timer(Form1->Timer3);
  Settle(1500);  // one automatic update has run
  SaveScreen(out, "frame");
  DestroyWindows();
}

void Splash(const QString& out) {
  Start();
  SaveScreen(out, "splash");
  DestroyWindows();
}

void Selection(const QString& out) {
  Start();
  FormSplash->hide();
  Form1->FindCards();
  FormSelectCard->ComboBoxCard->setCurrentIndex(0);
  // Shown without its modal loop, so that the picture can be taken.
  FormSelectCard->show();
  SaveScreen(out, "selection");
  DestroyWindows();
}

void About(const QString& out) {
  Start();
  FormSplash->hide();
  AboutBox->show();
  SaveScreen(out, "about");
  DestroyWindows();
}

void Help(const QString& out) {
  Start();
  FormSplash->hide();
  // The scenes run from the monitor's build directory, where the help file lies.
  SetApplicationHelpFile(QDir::current().filePath(QString::fromLatin1(kHelpFileName)));
  HelpCommand(HELP_CONTEXT, 6);
  SaveScreen(out, "help");
  HelpCommand(HELP_QUIT, 0);
  DestroyWindows();
}

const SceneRegistrar kFrame({"frame", "1", Frame});
const SceneRegistrar kSplash({"splash", "1", Splash});
const SceneRegistrar kSelection({"selection", "boards=3", Selection});
const SceneRegistrar kAbout({"about", "1", About});
const SceneRegistrar kHelp({"help", "1", Help});

}  // namespace
