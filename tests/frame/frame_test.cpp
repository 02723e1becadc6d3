// The main window's frame: creation, menus, error line, message boxes, closing;
// help, hints, read-me, about box and splash; the application's event loop.
#include <QFileInfo>
#include <QHelpEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolTip>
#include <stdexcept>

#include "aboutmonitor.h"
#include "data_directory.h"
#include "guarded_application.h"
#include "helpviewer.h"
#include "monitor_fixture.h"
#include "plot/position_plot.h"
#include "program_search.h"
#include "regaccess.h"
#include "splash.h"

using namespace monitor_test;

namespace {

void Report(ErrorCode code, const char* function) {
  Form1->LastError = code;
  Form1->LastFunction = function;
  Form1->ReportApiResult();
}

void WriteScript(const QString& path, const QByteArray& body) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("#!/bin/sh\n" + body);
  file.close();
  QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

QString TopicFile() {
  THelpViewer* viewer = ApplicationHelpViewer();
  return viewer ? viewer->CurrentTopic().fileName() : QString();
}

// Whether a tooltip request on the widget shows its hint: a placeholder tip
// is up before, since a hidden tip lingers for a while with its old text.
bool ToolTipShownFor(QWidget* widget) {
  QToolTip::showText(widget->mapToGlobal(QPoint(2, 2)), QStringLiteral("placeholder"), widget);
  QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(widget, &event);
  return QToolTip::isVisible() && QToolTip::text() == widget->toolTip();
}

}  // namespace

class FrameTest : public MonitorTest {
  Q_OBJECT

 public:
  FrameTest() : MonitorTest("", false) {}

 private slots:
  void creationMenusAboutBoxAndSplash() {
    QVERIFY(FormSplash->isVisible() && (FormSplash->windowFlags() & Qt::WindowStaysOnTopHint));
    const TForm1 fresh;
    for (const auto& [timer, period, running] : {std::tuple{fresh.Timer1, 1000, false},
                                                 {fresh.Timer2, 500, false}, {fresh.Timer3, 2000, true}}) {
      QCOMPARE(timer->interval(), period);
      QCOMPARE(timer->isActive(), running);
    }
    InitApplication();
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("zemtra-monitor"));
    QCOMPARE(QFileInfo(ApplicationHelpCollection()).filePath(),
             QCoreApplication::applicationDirPath() + "/Zemtra Monitor Help.qhc");
    SetApplicationHelpFile(QStringLiteral(ZEMTRA_TEST_HELP_FILE));
    QStringList menus;  // title and help context of each menu, then its items
    for (QAction* top : Form1->MainMenu->actions()) {
      menus << QStringLiteral("%1 %2").arg(top->menu()->title()).arg(top->menu()->property("helpContext").toInt());
      for (QAction* action : top->menu()->actions()) menus << (action->isSeparator() ? "-" : action->text());
    }
    QCOMPARE(menus, QStringList({"&File 9", "E&xit", "Ca&rd 10", "&Select Card...", "&Tools 11", "&Direct Register Access",
                                 "Position &Plot...", "&Help 12", "Help &Topics", "-", "Show &Popup Hints",
                                 "&View ReadMe", "-", "&About..."}));
    QVERIFY(Form1->ShowPopupHints1->isCheckable() && Form1->ShowPopupHints1->isChecked());
    // About... is modal.
    bool shownModal = false;
    QTimer::singleShot(0, this, [&] {
      shownModal = QApplication::activeModalWidget() == AboutBox;
      AboutBox->BitBtn1->click();
    });
    Form1->About1->trigger();
    QVERIFY(shownModal && !AboutBox->isVisible());
    // The splash shows the same brand panel.
    const QStringList brand{AboutBox->Label1->text(), AboutBox->Label2->text(), AboutBox->LabelAboutRev->text()};
    QCOMPARE(brand, QStringList({"Zemtra", "Monitor", "Revision 1.1"}));
    QVERIFY(!AboutBox->Image1->pixmap().isNull() && !FormSplash->Image1->pixmap().isNull());
    QVERIFY(AboutBox->LabelCopyrightDate->text().contains(QRegularExpression("^\\d{4} ")));
    QVERIFY(FormSplash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(FormSplash->Label5->text(), QStringLiteral("Kestova"));
  }

  // Each code, known or not, after an error: 25 is a note in the text colour, the
  // rest errors in red; clearing keeps the colour until the next report.
  void errorLine_data() {
    RowsShareWindows();
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("line");
    QTest::newRow("99") << 99 << "ERROR: \"Invalid error code\" reported by ZemtraOpen()";
    for (int code = 16; code <= 32; ++code)
      QTest::addRow("code %d", code) << code << QStringLiteral("%1: \"%2\" reported by ZemtraOpen()")
                                                    .arg(code == 25 ? "NOTE" : "ERROR", ZemtraGetErrStr(ErrorCode(code)));
  }
  void errorLine() {
    QFETCH(int, code);
    QFETCH(QString, line);
    Form1->UpdateInProgress = true;  // during a full update a report replaces the line, clearing keeps it
    Report(ZEMTRA_ERR_DEVICE_NOT_FOUND, "ZemtraGetStatus");
    Report(ErrorCode(code), "ZemtraOpen");
    QCOMPARE(Form1->LabelErrorData->text(), line);
    QCOMPARE(TextColour(Form1->LabelErrorData), code == 25 ? QApplication::palette().color(QPalette::WindowText) : Qt::red);
    Form1->ClearErrorLine();
    QCOMPARE(Form1->LabelErrorData->text(), line);
    Form1->UpdateInProgress = false;
    Form1->ClearErrorLine();
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
    QCOMPARE(TextColour(Form1->LabelErrorData), code == 25 ? QApplication::palette().color(QPalette::WindowText) : Qt::red);
  }

  // Without an answerer a real box asks: its icon, the style's buttons, Cancel default and for Escape.
  void realMessageBoxes() {
    Form1->MessageBoxAnswerer = nullptr;
    for (const auto& [style, first, answer] : {std::tuple{0x135u, QMessageBox::Retry, int(mrRetry)},
                                               {0x131u, QMessageBox::Ok, int(mrOk)}}) {
      for (const bool escape : {false, true}) {
        QStringList seen;  // text, caption, icon, buttons, whether Cancel is the default
        QTimer watch;      // answers the box as soon as it is up, whatever it shows
        watch.callOnTimeout([&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          if (!box) return;
          watch.stop();
          seen << box->text() << box->windowTitle() << QString::number(box->icon())
               << QString::number(box->standardButtons()) << QString::number(box->defaultButton() == box->button(QMessageBox::Cancel));
          if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
          else
            box->button(first)->click();
        });
        watch.start(10);
        QCOMPARE(Form1->ShowMessageBox("Some text.", "Some caption", style), escape ? int(mrCancel) : answer);
        QCOMPARE(seen, QStringList({"Some text.", "Some caption", QString::number(QMessageBox::Warning),
                                    QString::number(first | QMessageBox::Cancel), "1"}));
      }
    }
  }

  // Exit, Close and the close box end FormClose and the loop, also with the modeless register
  // dialog shown: the card is closed (quietly also when none is open), the help quits.
  void closing_data() {
    QTest::addColumn<int>("how");  // 0: Exit, 1: the Close button, 2: the close box
    QTest::addColumn<bool>("card");
    QTest::newRow("Exit, no card") << 0 << false;
    QTest::newRow("Exit") << 0 << true;
    QTest::newRow("Close button") << 1 << true;
    QTest::newRow("close box") << 2 << true;
  }
  void closing() {
    QFETCH(int, how);
    QFETCH(bool, card);
    if (card) {
      w_.emplace("boards=1,motion=off");
      w_->Connect();
    }
    const DeviceHandle open = Form1->CardHandle;
    QCOMPARE(open != 0, card);
    Form1->HelpContents1->trigger();
    Form1->DirectRegisterAccess1->trigger();
    QVERIFY(FormRegAccess->isVisible() && !FormRegAccess->isModal());
    Form1->LabelErrorData->clear();
    QTimer guard;  // the loop has to end by itself
    guard.callOnTimeout(qApp, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    QTimer::singleShot(0, this, [how] {
      (how == 0 ? Form1->Exit1->trigger() : how == 1 ? Form1->BitBtnClose->click() : void(Form1->close()));
    });
    QCOMPARE(qApp->exec(), 0);
    QVERIFY(!Form1->isVisible() && FormRegAccess->isVisible() && Form1->LabelErrorData->text().isEmpty());
    QVERIFY(!ApplicationHelpViewer() || !ApplicationHelpViewer()->isVisible());
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
    uint16_t word = 0;
    if (card) QCOMPARE(ZemtraReadRegisterWord(open, ZEMTRA_REG_SAMPLE, &word), ErrorCode{ZEMTRA_ERR_INVALID_HANDLE});
  }

  // Help Topics opens the contents; F1 the topic of the control, its nearest parent with one,
  // another window or an open menu (which closes): sixteen topics, and no context 14.
  void helpTopics() {
    Form1->HelpContents1->trigger();
    QVERIFY(ApplicationHelpViewer()->isVisible());
    QCOMPARE(TopicFile(), QStringLiteral("index.html"));
    QVERIFY(ApplicationHelpViewer()->Browser()->toPlainText().contains("Zemtra Monitor"));
    QVERIFY(!HelpCommand(HELP_CONTEXT, 14));
    Form1->PositionPlot1->trigger();
    const std::pair<QWidget*, const char*> cases[] = {
        {Form1->EditPresetData1, "preset-entry.html"}, {Form1->ButtonPreset2, "preset-buttons.html"},
        {Form1->ButtonSample3, "sample-buttons.html"}, {Form1->ButtonRead1, "read-buttons.html"},
        {Form1->ButtonUpdate2, "sample-read.html"},    {Form1->RadioButtonUpdateManual, "update.html"},
        {Form1->ButtonPresetAll, "update.html"},       {Form1->ButtonGlobalIntr, "global-interrupt.html"},
        {Form1->CheckBoxFilterEnb, "filter.html"},     {Form1->RadioGroupUnitSelect, "display-units.html"},
        {Form1->RadioGroupAx3Optic, "fold-factor.html"}, {FormRegAccess, "tools-menu.html"},
        {Form1->FormPositionPlot->ButtonPause, "position-plot.html"}, {Form1->File1, "file-menu.html"},
        {Form1->Card1, "card-menu.html"},              {Form1->Tools1, "tools-menu.html"},
        {Form1->Help1, "help-menu.html"}};
    QSet<QString> topics{TopicFile()};
    for (const auto& [control, topic] : cases) {
      auto* menu = qobject_cast<QMenu*>(control);
      if (menu) menu->popup(QPoint(10, 10));
      QTest::keyClick(control, Qt::Key_F1);
      QCOMPARE(TopicFile(), QString::fromLatin1(topic));
      QVERIFY(ApplicationHelpViewer()->Browser()->toPlainText().size() > 200);
      QVERIFY(!menu || !menu->isVisible());
      topics << TopicFile();
    }
    QCOMPARE(topics.size(), 16);
  }

  // The switch concerns the main window's hints only.
  void popupHintsCanBeSwitchedOff() {
    QCOMPARE(Form1->BitBtnClose->toolTip(), QStringLiteral("Exits application"));
    QVERIFY(ToolTipShownFor(Form1->BitBtnClose));
    Form1->ShowPopupHints1->trigger();
    QVERIFY(!Form1->ShowPopupHints1->isChecked());
    QVERIFY(!ToolTipShownFor(Form1->BitBtnClose));
    QVERIFY(!ToolTipShownFor(Form1->LabelGlitch1));
    FormRegAccess->show();
    QVERIFY(ToolTipShownFor(FormRegAccess->Label19));
    Form1->ShowPopupHints1->trigger();
    QVERIFY(ToolTipShownFor(Form1->BitBtnClose));
  }

  void viewReadMeStartsTheOpenerFromThePathOnly() {
    QTemporaryDir bin, work;
    const QString log = work.filePath("opened.log");
    WriteScript(bin.filePath("xdg-open"), "echo \"$(pwd)|$*\" >> '" + log.toLocal8Bit() + "'\n");
    // A program planted in the current directory must never run.
    WriteScript(work.filePath("xdg-open"), "echo planted >> '" + log.toLocal8Bit() + "'\n");
    const QByteArray path = qgetenv("PATH");
    const QString cwd = QDir::currentPath();
    const auto restore = qScopeGuard([&] {
      qputenv("PATH", path);
      QDir::setCurrent(cwd);
    });
    qputenv("PATH", (".:" + bin.path()).toLocal8Bit());
    QDir::setCurrent(work.path());
    const auto opened = [&] {
      QFile file(log);
      return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()).trimmed().split('\n') : QStringList();
    };
    Form1->ViewReadMe1->trigger();
    Form1->ViewReadMe1->trigger();
    const QString expected = QDir(work.path()).canonicalPath() + "|Zemtra Monitor Readme.txt";
    QTRY_COMPARE_WITH_TIMEOUT(opened(), QStringList({expected, expected}), 5000);
    // No opener anywhere: nothing happens, nothing is shown.
    qputenv("PATH", "");
    Form1->ViewReadMe1->trigger();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    WriteScript(bin.filePath("tool"), "true\n");
    QDir::setCurrent(bin.path());
    QVERIFY(FindOnSearchPath("tool", ":.:bin:./").isEmpty());
    QCOMPARE(FindOnSearchPath("tool", "/nonexistent::" + bin.path()), bin.filePath("tool"));
    QFile::setPermissions(bin.filePath("tool"), QFileDevice::ReadOwner);
    QVERIFY(FindOnSearchPath("tool", bin.path()).isEmpty());
  }

  // Where the monitor's data is found for a program directory in a tree made under a scratch root.
  void dataDirectory_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("data");
    QTest::newRow("installed") << "usr/bin,usr/share/zemtra-monitor" << "usr/bin" << "usr/share/zemtra-monitor";
    QTest::newRow("build tree") << "build/monitor" << "build/monitor" << "build/monitor";
    QTest::newRow("share without ours") << "opt/bin,opt/share" << "opt/bin" << "opt/bin";
  }
  void dataDirectory() {
    QFETCH(QString, layout);
    QFETCH(QString, program);
    QFETCH(QString, data);
    QTemporaryDir root;
    for (const QString& directory : layout.split(',')) QVERIFY(QDir(root.path()).mkpath(directory));
    QCOMPARE(MonitorDataDirectory(root.filePath(program)), root.filePath(data));
  }
};

// An exception escaping a handler ends the event loop and is thrown again afterwards.
class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void escapingExceptionEndsTheLoopAndIsThrownAgain() {
    auto& app = static_cast<TApplication&>(*qApp);
    QTimer::singleShot(0, this, [] { throw std::runtime_error("board on fire"); });
    QCOMPARE(app.exec(), 0);
    try {
      app.RethrowEscaped();
      QFAIL("the exception was lost");
    } catch (const std::runtime_error& failure) {
      QCOMPARE(QString::fromLatin1(failure.what()), QStringLiteral("board on fire"));
    }
  }
};

MONITOR_TEST(frame, FrameTest);
MONITOR_TEST(frame, ApplicationTest);
#include "frame_test.moc"
