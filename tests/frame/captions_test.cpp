// The captions as the window system really holds them: every window of the
// program, shown on a private X server, carries exactly its caption in the
// properties that window managers show in the title bar.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QtTest>

#include "frame_fixture.h"
#include "guarded_application.h"
#include "helpviewer.h"
#include "plot/position_plot.h"

using namespace frame_test;

namespace {

// An Xvfb of this test's own: it picks a free display itself and names it on
// a pipe once it takes connections; it ends with the test, also on a crash.
class PrivateXServer {
 public:
  PrivateXServer() {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      fcntl(ready[1], F_SETFD, 0);
      const std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The number and its newline come in two writes; the second fails if the
    // pipe is closed in between, and the server with it.
    QByteArray number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && !number.endsWith('\n') && poll(&wait, 1, 20000) == 1 && read(ready[0], &c, 1) == 1)
      number += c;
    if (number.endsWith('\n')) display_ = ":" + number.trimmed();
    close(ready[0]);
  }
  ~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i, usleep(100000))
      if (waitpid(pid_, nullptr, WNOHANG) != 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  QByteArray Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  QByteArray display_;
};

// The caption the X server holds for the window, as xprop reads it: in
// WM_NAME and in _NET_WM_NAME, which window managers prefer.
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

// Brings the window of one row up and returns it; a modal window is shown,
// read and closed within the call, which then returns null.
using Opener = QWidget* (*)();

void Answer(int answer) {
  Form1->MessageBoxAnswerer = [answer](const QString&, const QString&, unsigned) { return answer; };
}

}  // namespace

Q_DECLARE_METATYPE(Opener)

class CaptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { SetApplicationHelpFile(QStringLiteral(ZEMTRA_TEST_HELP_FILE)); }
  void init() {
    CreateWindows();
    Form1->CardIndex = -1;  // any card, as after the start-up search
  }
  void cleanup() {
    HelpCommand(HELP_QUIT, 0);
    DestroyWindows();
  }

  void everyWindowShowsExactlyItsCaption_data() {
    QTest::addColumn<Opener>("open");
    QTest::addColumn<QString>("caption");
    QTest::newRow("main window") << Opener([]() -> QWidget* { return Form1; }) << "Kestova Zemtra Monitor";
    QTest::newRow("main window, card open") << Opener([]() -> QWidget* {
      Answer(mrOk);
      Form1->OpenCard();
      return Form1;
    }) << " Kestova Zemtra Monitor: PCI Bus 240, Slot 0, ID N00001";
    QTest::newRow("main window, no card") << Opener([]() -> QWidget* {
      Answer(mrCancel);
      Form1->OpenCard();
      return Form1;
    }) << kNotOpenCaption;
    QTest::newRow("open card warning") << Opener([]() -> QWidget* {
      Form1->OpenCard();
      return nullptr;
    }) << kForeignCaption;
    QTest::newRow("error opening card") << Opener([]() -> QWidget* {
      Form1->CardList[0] = {7, 7};  // a listed board that has gone away
      Form1->CardCount = 1;
      Form1->CardIndex = 0;
      Form1->OpenCard();
      return nullptr;
    }) << kOpenFailedCaption;
    QTest::newRow("invalid data") << Opener([]() -> QWidget* {
      int32_t value = 0;
      Form1->EditPresetData1->setText(QStringLiteral("x"));
      Form1->ValidatePresetEntry(Form1->EditPresetData1, value, QStringLiteral("Axis 1"));
      return nullptr;
    }) << "Invalid Data";
    QTest::newRow("select card") << Opener([]() -> QWidget* {
      Form1->ChooseCard();
      return nullptr;
    }) << "Select Card";
    QTest::newRow("about box") << Opener([]() -> QWidget* {
      Form1->About1->trigger();
      return nullptr;
    }) << "About Zemtra Monitor";
    QTest::newRow("register access") << Opener([]() -> QWidget* {
      Form1->DirectRegisterAccess1->trigger();
      return FormRegAccess;
    }) << "Zemtra Direct Register Access";
    QTest::newRow("position plot") << Opener([]() -> QWidget* {
      Form1->PositionPlot1->trigger();
      return Form1->FormPositionPlot;
    }) << "Zemtra Position Plot";
    QTest::newRow("help") << Opener([]() -> QWidget* {
      Form1->HelpContents1->trigger();
      return ApplicationHelpViewer();
    }) << "Zemtra Monitor Help - Zemtra Monitor Help";
  }

  void everyWindowShowsExactlyItsCaption() {
    QFETCH(Opener, open);
    QFETCH(QString, caption);
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

int main(int argc, char** argv) {
  PrivateXServer server;
  if (server.Display().isEmpty()) {
    fputs("Xvfb did not start\n", stderr);
    return 1;
  }
  qputenv("DISPLAY", server.Display());
  TApplication app(argc, argv);
  InitApplication();
  CaptionsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "captions_test.moc"
