#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include "aboutmonitor.h"
#include "helpviewer.h"
#include "program_search.h"
#include "unit1.h"

namespace {

const QString kReadMeFile = QStringLiteral("Zemtra Monitor Readme.txt");
const QString kTextOpener = QStringLiteral("xdg-open");

// The help context of a control: its own, or its nearest parent's.
int HelpContextOf(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    const QVariant context = widget->property("helpContext");
    if (context.isValid()) return context.toInt();
  }
  return -1;
}

// Watches the program's events: F1 opens the topic of the control (or open
// menu) it was pressed on, in any of the program's windows, and the main
// window's tooltips are swallowed while its show-hint setting is off.
class ContextHelpFilter : public QObject {
 public:
  explicit ContextHelpFilter(TForm1* form) : QObject(form), form_(form) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    if (event->type() == QEvent::ToolTip) return BelongsToForm(widget) && !form_->ShowHint;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
      const int context = HelpContextOf(widget);
      if (context < 0) return false;
      if (auto* menu = qobject_cast<QMenu*>(widget)) menu->close();
      HelpCommand(HELP_CONTEXT, context);
      return true;
    }
    return false;
  }

 private:
  // A control of the window, or one of its menus (popups are windows of their own).
  bool BelongsToForm(const QWidget* widget) const {
    for (; widget; widget = widget->parentWidget())
      if (widget == form_) return true;
    return false;
  }

  TForm1* form_;
};

}  // namespace

void TForm1::InstallContextHelp() {
  qApp->installEventFilter(new ContextHelpFilter(this));
}

void TForm1::HelpContents1Click(QObject*) { HelpCommand(HELP_CONTEXT, 0); }

void TForm1::ShowPopupHints1Click(QObject*) {
  // The action has already inverted its check mark; the window follows it.
  ShowHint = ShowPopupHints1->isChecked();
}

void TForm1::ViewReadMe1Click(QObject*) {
  // Nothing is shown when the opener cannot start; a missing file is its business.
  StartFromSearchPath(kTextOpener, {kReadMeFile});
}

void TForm1::About1Click(QObject*) { AboutBox->exec(); }
