// Every window, on an X server of the test's own, carries exactly its caption
// in the properties that window managers show in the title bar.
#include <QProcess>

#include "helpviewer.h"
#include "monitor_fixture.h"
#include "plot/position_plot.h"
#include "regaccess.h"

using namespace monitor_test;

namespace {

// WM_NAME and _NET_WM_NAME (which window managers prefer), as xprop reads them.
QStringList ServerCaptions(const QWidget* window) {
  QGuiApplication::sync();
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window->winId()), "WM_NAME", "_NET_WM_NAME"});
  if (!xprop.waitForFinished(10000)) return {QStringLiteral("(xprop gave no answer)")};
  // WM_NAME(STRING) = "Select Card"
  QStringList captions;
  for (const QString& line : QString::fromUtf8(xprop.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
    const qsizetype first = line.indexOf('"');
    captions << (first < 0 ? line : line.mid(first + 1, line.lastIndexOf('"') - first - 1));
  }
  return captions;
}

// Brings a row's window up and returns it; a modal one is read and closed inside: null.
using Opener = QWidget* (*)();

}  // namespace

Q_DECLARE_METATYPE(Opener)

class CaptionsTest : public MonitorTest {
  Q_OBJECT

 public:
  CaptionsTest() : MonitorTest("id=0x1,motion=off", false) {}

 protected:
  void Prepare() override { Form1->MessageBoxAnswerer = nullptr; }  // real message boxes

 private slots:
  // Each row is named by the caption it expects.
  void everyWindowShowsExactlyItsCaption_data() {
    QTest::addColumn<Opener>("open");
    QTest::newRow("Kestova Zemtra Monitor") << Opener([]() -> QWidget* { return Form1; });
    QTest::newRow("Invalid Data") << Opener([]() -> QWidget* {
      int32_t value = 0;
      Form1->EditPresetData1->setText(QStringLiteral("x"));
      Form1->ValidatePresetEntry(Form1->EditPresetData1, value, QStringLiteral("Axis 1"));
      return nullptr;
    });
    QTest::newRow("Select Card") << Opener([]() -> QWidget* {
      Form1->SelectCardAnswerer = nullptr;
      return Form1->ChooseCard(), nullptr;
    });
    QTest::newRow("About Zemtra Monitor") << Opener([]() -> QWidget* { return Form1->About1->trigger(), nullptr; });
    QTest::newRow("Zemtra Direct Register Access") << Opener([]() -> QWidget* {
      return Form1->DirectRegisterAccess1->trigger(), FormRegAccess;
    });
    QTest::newRow("Zemtra Position Plot") << Opener([]() -> QWidget* {
      return Form1->PositionPlot1->trigger(), Form1->FormPositionPlot;
    });
    QTest::newRow("Zemtra Monitor Help - Zemtra Monitor Help") << Opener([]() -> QWidget* {
      return Form1->HelpContents1->trigger(), ApplicationHelpViewer();
    });
  }

  void everyWindowShowsExactlyItsCaption() {
    QFETCH(Opener, open);
    const QString caption = QString::fromUtf8(QTest::currentDataTag());
    QStringList seen;
    // A modal window is read inside its own loop, then closed, which answers Cancel.
    QTimer modalWatch;
    modalWatch.callOnTimeout([&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modalWatch.stop();
        seen = ServerCaptions(modal);
        modal->close();
      }
    });
    modalWatch.start(20);
    if (QWidget* window = open()) seen = ServerCaptions(window);
    QCOMPARE(seen, QStringList({caption, caption}));
  }
};

MONITOR_TEST(captions, CaptionsTest);
#include "captions_test.moc"
