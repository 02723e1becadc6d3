// What every monitor test shares: the program's windows on simulated boards,
// recorders answering its message boxes and card selection dialog, and the
// register accesses of board 0. All suites are one program (monitor_main.cpp).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "cardselect.h"
#include "program.h"
#include "unit1.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace monitor_test {

bool Register(const char* suite, std::function<std::unique_ptr<QObject>()> make);

// From now on, boards as ZEMTRA_SIM would make them ("" = none), never real ones.
void SimulateBoards(const char* setup);
DeviceLocation SimulatedBoard(int index);
// The next search for boards fails after `calls` of its steps have run.
void FailSearchAfter(int calls);

struct AskedBox {
  QString text;
  QString caption;
  unsigned style;
  bool cardOpen;      // while the box waited
  QString errorLine;  // under the box
  bool operator==(const AskedBox&) const = default;
};

// The program's windows on the given boards. Message boxes are answered from
// `answers` (Cancel when it is empty); the selection dialog selects `choose`
// (when >= 0) and answers `dialogAnswer`. The start-up tick is the test's.
class Windows {
 public:
  explicit Windows(const char* boards);
  ~Windows();
  Windows(const Windows&) = delete;
  Windows& operator=(const Windows&) = delete;

  // The start-up tick; in manual update mode unless asked, so no timer updates underneath.
  void Connect(bool automatic = false);

  std::deque<int> answers;
  QList<AskedBox> asked;
  std::function<void()> beforeAnswer;
  int dialogAnswer = mrCancel;
  int choose = -1;
  int dialogShown = 0;
  QStringList entries;  // of the dialog, as last shown
  int preselected = -2;
};

// The accesses of simulated board 0 since the last Take, one line each:
// "W16 reg 0x020 0x0222" for a write; a read leaves out the value, which is
// the board's answer rather than the program's doing.
QStringList TakeAccesses();

// What `calls` leave in the accesses, after forgetting what came before.
template <typename Calls>
QStringList AccessesOf(Calls&& calls) {
  TakeAccesses();
  calls();
  return TakeAccesses();
}

QStringList Writes(const QStringList& lines);

// Every library call of one full update, in the order the window must make them.
void FullUpdateCalls();
// What a status clear of `mask` (or Clear All Status) does at the board: the
// clear, then both refreshes.
void ClearStatusCalls(uint16_t mask, bool all = false);

// The main window's control of axis 0, 1, 2 (3: the reference) by its name,
// "#" standing for the number the window gives it ("LabelPosData#").
template <typename Control = QWidget>
Control* Named(const QString& name, int axis) {
  return Form1->findChild<Control*>(QString(name).replace('#', axis < 3 ? QString::number(axis + 1) : "Ref"));
}

// Fresh windows on `boards` for each test, started up unless asked, then
// Prepare(). The rows of a _data() calling RowsShareWindows() share them (each
// row sets up what it relies on); a test may replace them (w_.emplace).
class MonitorTest : public QObject {
  Q_OBJECT

 public:
  explicit MonitorTest(const char* boards, bool connect = true) : boards_(boards), connect_(connect) {}

 protected:
  virtual void Prepare() {}
  void RowsShareWindows() { shared_ = QTest::currentTestFunction(); }
  std::optional<Windows> w_;

 private slots:
  void init() {
    const QByteArray test = QTest::currentTestFunction();
    if (!w_ || owner_ != test || shared_ != test) {
      w_.emplace(boards_);
      if (connect_) w_->Connect();
      owner_ = test;
    }
    w_->answers.clear();
    w_->asked.clear();
    w_->beforeAnswer = nullptr;
    Prepare();
    TakeAccesses();
  }
  void cleanup() {
    if (shared_ != QTest::currentTestFunction()) w_.reset();
  }
  void cleanupTestCase() { w_.reset(); }

 private:
  const char* boards_;
  bool connect_;
  QByteArray owner_;   // the test the windows were made for
  QByteArray shared_;  // the test whose rows share them
};

inline void Fire(QTimer* timer) { QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); }
inline void Click(TLabel* label) { emit label->clicked(label); }
inline void Select(TRadioGroup* group, int item) { group->findChildren<QRadioButton*>().at(item)->click(); }
inline QColor TextColour(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }
// Text in a preset box as the user leaves it: modified.
inline void Type(TEdit* box, const QString& text) {
  box->setText(text);
  box->setModified(true);
}

}  // namespace monitor_test

#define MONITOR_TEST(suite, Class) \
  static const bool registered##Class = monitor_test::Register(#suite, [] { return std::make_unique<Class>(); })

// The accesses made since the last Take must be exactly those that the given
// calls make. The two are taken one after the other, in this order.
#define COMPARE_ACCESSES(...)                                            \
  do {                                                                   \
    const QStringList made_ = monitor_test::TakeAccesses();              \
    const QStringList expected_ = monitor_test::AccessesOf(__VA_ARGS__); \
    QCOMPARE(made_, expected_);                                          \
  } while (0)
