// The few control kinds the monitor's windows are made of, on Qt Widgets:
// labels that fill their own background and report clicks, radio groups with
// an item index, and edit boxes that report leaving and key presses.
#pragma once

#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

class QButtonGroup;

// A label with its own background colour that reports clicks (indicators,
// value labels, register map addresses).
class TLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLabel(const QString& caption = {}, QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  QColor Color() const { return color_; }
 signals:
  void clicked(QObject* sender);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QColor color_;
};

// A group box of radio buttons laid out in columns; ItemIndex -1 = none.
// SetItemIndex changes the selection without running the click action.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& caption, const QStringList& items, int columns,
              QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
 signals:
  void clicked(QObject* sender);

 private:
  QButtonGroup* buttons_;
};

// A one-line edit box that reports leaving it and each key pressed in it.
// The modified flag is QLineEdit's (isModified / setModified).
class TEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TEdit(QWidget* parent = nullptr);
 signals:
  void exited(QObject* sender);
  void keyDown(QObject* sender, int key, Qt::KeyboardModifiers shift);

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};
