#include "unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "helpviewer.h"
#include "plot/position_plot.h"
#include "regaccess.h"
#include "screen_center.h"

TForm1* Form1 = nullptr;

namespace {

constexpr int kUpdatePeriodMs = 1000;
constexpr int kUpdatingShownMs = 500;
constexpr int kStartDelayMs = 2000;

QTimer* MakeTimer(QObject* owner, const char* name, int periodMs) {
  auto* timer = new QTimer(owner);
  timer->setObjectName(name);
  timer->setInterval(periodMs);
  timer->setTimerType(Qt::CoarseTimer);
  return timer;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  setWindowIcon(QIcon(QStringLiteral(":/zemtra/icon.png")));

  Timer1 = MakeTimer(this, "Timer1", kUpdatePeriodMs);
  Timer2 = MakeTimer(this, "Timer2", kUpdatingShownMs);
  Timer3 = MakeTimer(this, "Timer3", kStartDelayMs);
  connect(Timer1, &QTimer::timeout, this, [this] { ButtonUpdateClick(Timer1); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(Timer2); });
  connect(Timer3, &QTimer::timeout, this, [this] { Timer3Timer(Timer3); });

  BuildLayout();
  BuildMenus();
  InstallContextHelp();

  FormCreate(this);
  // The card is searched about two seconds after the window exists.
  Timer3->start();
  // What the contents and the menu bar need, or what the screen leaves.
  adjustSize();
  CenterOnScreen(this);
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
  MainMenu = menuBar();
  MainMenu->setObjectName("MainMenu");

  // One submenu with its items; an item without a handler is a separator.
  struct Item {
    QAction* TForm1::*action;
    const char* name;
    const char* caption;
    void (TForm1::*handler)(QObject*);
  };
  const auto addMenu = [this](QMenu* TForm1::*menu, const char* name, const char* caption,
                              int helpContext, std::initializer_list<Item> items) {
    QMenu* submenu = MainMenu->addMenu(QString::fromLatin1(caption));
    submenu->setObjectName(name);
    submenu->setProperty("helpContext", helpContext);
    this->*menu = submenu;
    for (const Item& item : items) {
      QAction* action = item.handler ? submenu->addAction(QString::fromLatin1(item.caption))
                                     : submenu->addSeparator();
      action->setObjectName(item.name);
      this->*item.action = action;
      if (item.handler) {
        const auto handler = item.handler;
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
      }
    }
  };

  addMenu(&TForm1::File1, "File1", "&File", 9, {{&TForm1::Exit1, "Exit1", "E&xit", &TForm1::Exit1Click}});
  addMenu(&TForm1::Card1, "Card1", "Ca&rd", 10,
          {{&TForm1::SelectCard1, "SelectCard1", "&Select Card...", &TForm1::SelectCard1Click}});
  addMenu(&TForm1::Tools1, "Tools1", "&Tools", 11,
          {{&TForm1::DirectRegisterAccess1, "DirectRegisterAccess1", "&Direct Register Access",
            &TForm1::DirectRegisterAccess1Click},
           {&TForm1::PositionPlot1, "PositionPlot1", "Position &Plot...", &TForm1::PositionPlot1Click}});
  addMenu(&TForm1::Help1, "Help1", "&Help", 12,
          {{&TForm1::HelpContents1, "HelpContents1", "Help &Topics", &TForm1::HelpContents1Click},
           {&TForm1::N2, "N2", "-", nullptr},
           {&TForm1::ShowPopupHints1, "ShowPopupHints1", "Show &Popup Hints",
            &TForm1::ShowPopupHints1Click},
           {&TForm1::ViewReadMe1, "ViewReadMe1", "&View ReadMe", &TForm1::ViewReadMe1Click},
           {&TForm1::N1, "N1", "-", nullptr},
           {&TForm1::About1, "About1", "&About...", &TForm1::About1Click}});
  // A checkable action inverts its own check mark when triggered.
  ShowPopupHints1->setCheckable(true);
  ShowPopupHints1->setChecked(true);
}

void TForm1::FormCreate(QObject*) {
  setWindowTitle(QStringLiteral("Kestova Zemtra Monitor"));
  PositionScale = 1.0;
  VelocityScale = 1.0;
  FoldFactor = {2, 2, 2};
}

void TForm1::FormClose(QObject*) {
  HelpCommand(HELP_QUIT, 0);
  // Nothing to report when no card is open or the close fails: we are leaving.
  ZemtraClose(&CardHandle);
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose(this);
  event->accept();
  // Closing the main window ends the program even while other windows (the
  // register access dialog) are still shown.
  QCoreApplication::exit(0);
}

void TForm1::Timer2Timer(QObject*) {
  LabelUpdate->setVisible(false);
  Timer2->stop();
}

void TForm1::Exit1Click(QObject*) { close(); }

void TForm1::DirectRegisterAccess1Click(QObject*) {
  FormRegAccess->show();
  FormRegAccess->raise();
  FormRegAccess->activateWindow();
}

void TForm1::PositionPlot1Click(QObject*) {
  if (!FormPositionPlot) FormPositionPlot = new TFormPositionPlot(*this);
  FormPositionPlot->show();
  FormPositionPlot->raise();
  FormPositionPlot->activateWindow();
}
