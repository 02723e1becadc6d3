// The Help menu and context help: help topics, F1, popup hints, the
// read-me opener, the about box; and the program search behind the opener.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include "data_directory.h"
#include "frame_fixture.h"
#include "helpviewer.h"
#include "plot/position_plot.h"
#include "program_search.h"

using namespace frame_test;

namespace {

// Writes an executable shell script.
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

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { SetApplicationHelpFile(QStringLiteral(ZEMTRA_TEST_HELP_FILE)); }
  void init() { CreateWindows(); }
  void cleanup() {
    HelpCommand(HELP_QUIT, 0);
    DestroyWindows();
  }

  void helpTopicsOpensTheContents() {
    Form1->HelpContents1->trigger();
    QVERIFY(ApplicationHelpViewer()->isVisible());
    QCOMPARE(TopicFile(), QStringLiteral("index.html"));
    QVERIFY(ApplicationHelpViewer()->Browser()->toPlainText().contains("Zemtra Monitor"));
  }

  void everyContextNumberHasATopic() {
    QStringList topics;
    for (const int context : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16}) {
      QVERIFY2(HelpCommand(HELP_CONTEXT, context), qPrintable(QString::number(context)));
      QVERIFY(ApplicationHelpViewer()->Browser()->toPlainText().size() > 200);
      topics << TopicFile();
    }
    QCOMPARE(topics.size(), QSet<QString>(topics.begin(), topics.end()).size());
    QVERIFY(!HelpCommand(HELP_CONTEXT, 14));
  }

  void f1OpensTheTopicOfTheControlOrItsParent() {
    Form1->PositionPlot1->trigger();
    const struct {
      QWidget* control;
      const char* topic;
    } cases[] = {{Form1->EditPresetData1, "preset-entry.html"},
                 {Form1->ButtonPreset2, "preset-buttons.html"},
                 {Form1->RadioButtonUpdateManual, "update.html"},  // from the Update group
                 {Form1->CheckBoxFilterEnb, "filter.html"},        // from the Filter group
                 {Form1->BitBtnClose, "update.html"},
                 {FormRegAccess, "tools-menu.html"},  // another window of the program
                 {Form1->FormPositionPlot->ButtonPause, "position-plot.html"}};
    for (const auto& c : cases) {
      QTest::keyClick(c.control, Qt::Key_F1);
      QCOMPARE(TopicFile(), QString::fromLatin1(c.topic));
    }
  }

  void f1InAnOpenMenuOpensTheMenusTopic() {
    Form1->Tools1->popup(QPoint(10, 10));
    QTest::keyClick(Form1->Tools1, Qt::Key_F1);
    QCOMPARE(TopicFile(), QStringLiteral("tools-menu.html"));
    QVERIFY(!Form1->Tools1->isVisible());
  }

  void popupHintsCanBeSwitchedOff() {
    QWidget* button = Form1->BitBtnClose;
    QCOMPARE(button->toolTip(), QStringLiteral("Exits application"));
    QVERIFY(ToolTipShownFor(button));
    Form1->ShowPopupHints1->trigger();
    QVERIFY(!Form1->ShowPopupHints1->isChecked());
    QVERIFY(!ToolTipShownFor(button));
    QVERIFY(!ToolTipShownFor(Form1->LabelGlitch1));
    Form1->ShowPopupHints1->trigger();
    QVERIFY(Form1->ShowPopupHints1->isChecked());
    QVERIFY(ToolTipShownFor(button));
  }

  void viewReadMeStartsTheOpenerFromThePathOnly() {
    QTemporaryDir bin, work;
    const QString log = work.filePath("opened.log");
    WriteScript(bin.filePath("xdg-open"), "echo \"$(pwd)|$*\" >> '" + log.toLocal8Bit() + "'\n");
    // A program planted in the current directory must never run.
    WriteScript(work.filePath("xdg-open"), "echo planted >> '" + log.toLocal8Bit() + "'\n");
    const QByteArray path = qgetenv("PATH");
    const QString cwd = QDir::currentPath();
    qputenv("PATH", (".:" + bin.path()).toLocal8Bit());
    QDir::setCurrent(work.path());

    Form1->ViewReadMe1->trigger();
    Form1->ViewReadMe1->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(QFile(log).size() > 0 &&
                                  QString::fromLocal8Bit([&] {
                                    QFile f(log);
                                    f.open(QIODevice::ReadOnly);
                                    return f.readAll();
                                  }()).count('\n') == 2,
                              true, 5000);
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString expected = QDir(work.path()).canonicalPath() + "|Zemtra Monitor Readme.txt";
    QCOMPARE(QString::fromLocal8Bit(file.readAll()).trimmed().split('\n'), QStringList({expected, expected}));

    // No opener anywhere: nothing happens, nothing is shown.
    qputenv("PATH", "");
    Form1->ViewReadMe1->trigger();
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    qputenv("PATH", path);
    QDir::setCurrent(cwd);
  }

  void searchSkipsRelativeAndEmptyEntries() {
    QTemporaryDir bin;
    WriteScript(bin.filePath("tool"), "true\n");
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(bin.path());
    QVERIFY(FindOnSearchPath("tool", ":.:bin:./").isEmpty());
    QCOMPARE(FindOnSearchPath("tool", "/nonexistent::" + bin.path()), bin.filePath("tool"));
    QFile::setPermissions(bin.filePath("tool"), QFileDevice::ReadOwner);
    QVERIFY(FindOnSearchPath("tool", bin.path()).isEmpty());
    QDir::setCurrent(cwd);
  }

  // Directories made under a scratch root, the program's directory among them,
  // and where the monitor's data is found for it.
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
    QTemporaryDir root;
    for (const QString& directory : layout.split(',')) QVERIFY(QDir(root.path()).mkpath(directory));
    QFETCH(QString, data);
    QCOMPARE(MonitorDataDirectory(root.filePath(program)), root.filePath(data));
  }

  void aboutBoxIsModalAndClosesWithOk() {
    bool shownModal = false;
    QTimer::singleShot(0, this, [&] {
      shownModal = AboutBox->isVisible() && QApplication::activeModalWidget() == AboutBox;
      AboutBox->BitBtn1->click();
    });
    Form1->About1->trigger();
    QVERIFY(shownModal);
    QVERIFY(!AboutBox->isVisible());
    QCOMPARE(AboutBox->windowTitle(), QStringLiteral("About Zemtra Monitor"));
  }

  void splashAndAboutTexts() {
    for (const BrandTexts& t : {BrandTexts{FormSplash->Label1, FormSplash->Label2, FormSplash->LabelSplashRev,
                                           FormSplash->Image1, FormSplash->LabelCopyrightDate},
                                BrandTexts{AboutBox->Label1, AboutBox->Label2, AboutBox->LabelAboutRev,
                                           AboutBox->Image1, AboutBox->LabelCopyrightDate}}) {
      QCOMPARE(t.name->text(), QStringLiteral("Zemtra"));
      QCOMPARE(t.kind->text(), QStringLiteral("Monitor"));
      QCOMPARE(t.revision->text(), QStringLiteral("Revision 1.1"));
      QVERIFY(t.rights->text().contains(QRegularExpression("^\\d{4} ")));
      const QImage picture = t.picture->pixmap().toImage();
      QCOMPARE(picture.size(), QSize(436, 276));
      QSet<QRgb> colours;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
      QVERIFY(colours.size() > 8 && colours.size() <= 16);
    }
    QVERIFY(FormSplash->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(FormSplash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(FormSplash->Label5->text(), QStringLiteral("Kestova"));
  }

 private:
  struct BrandTexts {
    QLabel* name;
    QLabel* kind;
    QLabel* revision;
    QLabel* picture;
    QLabel* rights;
  };
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
