#include "guarded_application.h"

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    if (!escaped_) escaped_ = std::current_exception();
    exit(0);
    return false;
  }
}

void TApplication::RethrowEscaped() const {
  if (escaped_) std::rethrow_exception(escaped_);
}
