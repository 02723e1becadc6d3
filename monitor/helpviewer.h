// The monitor's help: the help file "Zemtra Monitor Help" (a Qt Help
// collection compiled from monitor/help at build time) shown in a window of
// its own, driven by help commands with context numbers.
#pragma once

#include <QMainWindow>
#include <QString>

class QHelpEngine;
class QTextBrowser;
class QUrl;

// Help commands, numbered as the window's handlers send them.
enum HelpCommandCode : unsigned {
  HELP_CONTEXT = 1,  // show the topic of the context number given as data
  HELP_QUIT = 2,     // close the help window
};

// The help window: the contents on the left, the topic on the right.
class THelpViewer : public QMainWindow {
  Q_OBJECT
 public:
  explicit THelpViewer(const QString& collectionFile, QWidget* parent = nullptr);
  // Shows the topic mapped to `context`; false when the help file has none.
  bool ShowContext(int context);
  QUrl CurrentTopic() const;
  QTextBrowser* Browser() const { return browser_; }

 private:
  QHelpEngine* engine_;
  QTextBrowser* browser_;
};

// The application's help file: a bare name is looked up in the monitor's
// data directory (data_directory.h), a path is taken as it is; ".qhc" is
// appended either way.
void SetApplicationHelpFile(const QString& name);
QString ApplicationHelpCollection();

// Carries out one help command; false when it could not (no help file,
// no topic for the context). HELP_QUIT with no help window open is fine.
bool HelpCommand(unsigned command, int data);

// The help window while it exists, for the tests.
THelpViewer* ApplicationHelpViewer();
