// The program's event loop: an exception escaping a handler ends it and is
// thrown again afterwards; closing the main window ends it even while
// another window of the program is shown.
#include <QtTest>
#include <stdexcept>

#include "frame_fixture.h"
#include "guarded_application.h"

using namespace frame_test;

class ApplicationTest : public QObject {
  Q_OBJECT

 public:
  explicit ApplicationTest(TApplication& app) : app_(app) {}

 private slots:
  void escapingExceptionEndsTheLoopAndIsThrownAgain() {
    QTimer::singleShot(0, this, [] { throw std::runtime_error("board on fire"); });
    QCOMPARE(app_.exec(), 0);
    try {
      app_.RethrowEscaped();
      QFAIL("the exception was lost");
    } catch (const std::runtime_error& failure) {
      QCOMPARE(QString::fromLatin1(failure.what()), QStringLiteral("board on fire"));
    }
  }

  void closingTheMainWindowEndsTheLoop() {
    CreateWindows();
    Form1->DirectRegisterAccess1->trigger();
    QTimer::singleShot(0, this, [] { Form1->BitBtnClose->click(); });
    QCOMPARE(app_.exec(), 0);
    QVERIFY(!Form1->isVisible());
    QVERIFY(FormRegAccess->isVisible());
    DestroyWindows();
  }

 private:
  TApplication& app_;
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  ApplicationTest test(app);
  return QTest::qExec(&test, argc, argv);
}

#include "application_test.moc"
