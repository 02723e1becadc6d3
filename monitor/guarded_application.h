// The monitor's application object: an exception thrown by an event handler
// ends the event loop here instead of unwinding through the toolkit, and is
// thrown again once the loop has returned.
#pragma once

#include <QApplication>
#include <exception>

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override;

  // Throws the first exception that ended the event loop, if any.
  void RethrowEscaped() const;

 private:
  std::exception_ptr escaped_;
};
