// What the panel tests share: the main window with a simulated card opened as
// the card connection opens it, the register trace of the library read back
// line by line, a recorder that answers message boxes, and the reference
// traces that the test's own library calls produce on the same board.
#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>

#include "unit1.h"
#include "zemtra.h"

namespace panel_test {

// The library's register trace (ZEMTRA_TRACE): one line per access, such as
// "W16 reg 0x020 0x0222". Take() returns the lines written since the last Take.
class RegisterTrace {
 public:
  RegisterTrace() : path_(qEnvironmentVariable("ZEMTRA_TRACE")) { offset_ = QFile(path_).size(); }

  QStringList Take() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    file.seek(offset_);
    const QByteArray data = file.readAll();
    offset_ += data.size();
    return QString::fromLatin1(data).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // What `calls` leave in the trace, after forgetting what came before.
  template <typename Calls>
  QStringList Of(Calls&& calls) {
    Take();
    calls();
    return Take();
  }

 private:
  QString path_;
  qint64 offset_ = 0;
};

// Accesses without their values ("R16 reg 0x020"), for actions that change
// the board so that a repeat would read other values.
inline QStringList Shape(const QStringList& lines) {
  QStringList shapes;
  for (const QString& line : lines) shapes << line.section(QLatin1Char(' '), 0, 2);
  return shapes;
}

// The writes among the accesses.
inline QStringList Writes(const QStringList& lines) {
  QStringList writes;
  for (const QString& line : lines) {
    if (line.startsWith(QLatin1Char('W'))) writes << line;
  }
  return writes;
}

struct AskedBox {
  QString text;
  QString caption;
  unsigned style;
};

// Answers each message box with the next queued answer (OK when none is
// queued) and keeps what was asked.
struct BoxRecorder {
  QList<AskedBox> asked;
  std::deque<int> answers;

  void Attach(TForm1& form) {
    form.MessageBoxAnswerer = [this](const QString& text, const QString& caption, unsigned style) {
      asked.append({text, caption, style});
      if (answers.empty()) return static_cast<int>(mrOk);
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    };
  }
};

// The main window; the start-up tick never comes, the test opens the card.
class Window {
 public:
  Window() { form.Timer3->stop(); }
  ~Window() { ZemtraClose(&form.CardHandle); }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Opens any card into the window's members as the card connection does.
  bool OpenCard() {
    ZemtraDefaultDevice(&form.CardLocation);
    int32_t id = 0;
    form.CardOpen = ZemtraOpen(&form.CardLocation, &form.CardHandle, &id) == 0;
    return form.CardOpen;
  }

  TForm1 form;
};

}  // namespace panel_test

// The accesses made since the last Take must be exactly those that the given
// calls make. The two are taken one after the other, in this order.
#define COMPARE_TRACE(trace, ...)                                \
  do {                                                           \
    const QStringList made_ = (trace).Take();                    \
    const QStringList expected_ = (trace).Of(__VA_ARGS__);       \
    QCOMPARE(made_, expected_);                                  \
  } while (0)
