#include "screen_fit_area.h"

#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

TScreenFitArea::TScreenFitArea(QWidget* contents, QWidget* parent) : QScrollArea(parent) {
  setObjectName("ScreenFitArea");
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  setWidget(contents);
}

QSize TScreenFitArea::sizeHint() const { return Fit(widget()->sizeHint()); }

QSize TScreenFitArea::minimumSizeHint() const { return Fit(widget()->minimumSizeHint()); }

QSize TScreenFitArea::WindowRoom() const {
  const QWidget* window = this->window();
  const QScreen* screen = window->screen();
  if (!screen) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  // The frame is known once a window manager has put one around the window;
  // until then a title bar's height is kept free.
  const QSize frame = window->frameGeometry().size() - window->size();
  return screen->availableGeometry().size() -
         (frame.isNull() ? QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight)) : frame);
}

QSize TScreenFitArea::Fit(QSize wanted) const {
  QSize room = WindowRoom();
  if (const auto* main = qobject_cast<const QMainWindow*>(window()); main && main->menuWidget())
    room.rheight() -= main->menuWidget()->sizeHint().height();
  QSize fitted = wanted.boundedTo(room);
  // Scrolling one way puts a scroll bar across the other.
  if (fitted.height() < wanted.height()) fitted.rwidth() += verticalScrollBar()->sizeHint().width();
  if (fitted.width() < wanted.width()) fitted.rheight() += horizontalScrollBar()->sizeHint().height();
  return fitted.boundedTo(room);
}

void TScreenFitArea::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  if (QWindow* handle = window()->windowHandle())
    connect(handle, &QWindow::screenChanged, this, &TScreenFitArea::FollowScreen, Qt::UniqueConnection);
}

void TScreenFitArea::FollowScreen() {
  updateGeometry();
  QWidget* window = this->window();
  // The window's minimum follows the new room at once, not at the next layout pass.
  if (QLayout* layout = window->layout()) layout->activate();
  window->resize(window->size().boundedTo(WindowRoom()));
}
