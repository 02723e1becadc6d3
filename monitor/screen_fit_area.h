// The main window's contents inside a scroll area that asks for exactly what
// the contents need while the screen has room for it, and for no more than
// the screen's available area otherwise: on a small screen the window then
// fits the screen and its contents scroll, their layout never squeezed.
#pragma once

#include <QScrollArea>
#include <QSize>

class TScreenFitArea : public QScrollArea {
  Q_OBJECT

 public:
  explicit TScreenFitArea(QWidget* contents, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The size the window may take on its screen, frame excluded.
  QSize WindowRoom() const;
  QSize Fit(QSize wanted) const;
  // A window moved to another screen shrinks when it no longer fits there.
  void FollowScreen();
};
