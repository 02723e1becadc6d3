// What the monitor's frame tests share: the program's windows created as the
// program entry creates them, and a recorder that answers the message boxes
// and the selection dialog instead of a user.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QLabel>
#include <QList>
#include <QPalette>
#include <QTimer>
#include <QString>
#include <deque>
#include <functional>

#include "aboutmonitor.h"
#include "cardselect.h"
#include "program.h"
#include "regaccess.h"
#include "splash.h"
#include "unit1.h"

namespace frame_test {

struct AskedBox {
  QString text;
  QString caption;
  unsigned style;
};

// Answers each box with the next queued answer (Cancel when the queue is
// empty) and keeps what was asked; `beforeAnswer` runs before each answer.
struct BoxRecorder {
  QList<AskedBox> asked;
  std::deque<int> answers;
  std::function<void(int index)> beforeAnswer;

  void Attach(TForm1* form) {
    form->MessageBoxAnswerer = [this](const QString& text, const QString& caption, unsigned style) {
      asked.append({text, caption, style});
      if (beforeAnswer) beforeAnswer(static_cast<int>(asked.size()) - 1);
      if (answers.empty()) return static_cast<int>(mrCancel);
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    };
  }
};

// Records every showing of the selection dialog: the entries, the
// preselected index; then selects `choose` (when >= 0) and answers `answer`.
struct DialogRecorder {
  int shown = 0;
  QStringList entries;
  int preselected = -2;
  int choose = -1;
  int answer = mrCancel;

  void Attach(TForm1* form) {
    form->SelectCardAnswerer = [this] {
      ++shown;
      QComboBox* list = FormSelectCard->ComboBoxCard;
      entries.clear();
      for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
      preselected = list->currentIndex();
      if (choose >= 0) list->setCurrentIndex(choose);
      return answer;
    };
  }
};

// Creates the program's windows with fresh recorders answering both modal
// seams of the main window.
inline void CreateRecordedWindows(BoxRecorder& boxes, DialogRecorder& dialog) {
  CreateWindows();
  boxes = BoxRecorder{};
  dialog = DialogRecorder{};
  boxes.Attach(Form1);
  dialog.Attach(Form1);
}

// One tick of a timer, delivered as the event loop would, without waiting.
inline void FireTimer(QTimer* timer) {
  QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

inline QColor TextColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText);
}

// The boxes the card connection shows, exactly as the user sees them.
inline const QString kOpenFailedText = QStringLiteral("Unable to Open Zemtra Card.");
inline const QString kOpenFailedCaption = QStringLiteral("ZemtraMonitor: Error Opening Card");
inline constexpr unsigned kOpenFailedStyle = 0x135;
inline const QString kForeignText = QStringLiteral("Card Opened is NOT anZemtra Card.");
inline const QString kForeignCaption = QStringLiteral("ZemtraMonitor: Open Card Warning");
inline constexpr unsigned kForeignStyle = 0x131;
inline const QString kNotOpenCaption = QStringLiteral(" Kestova Zemtra Monitor -- CARD NOT OPEN!");

}  // namespace frame_test
