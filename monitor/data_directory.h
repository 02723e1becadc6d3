// Where the monitor's data lies (its help collection): installed, in the
// data directory beside the program's bin directory (../share/zemtra-monitor);
// in a build tree, beside the program itself.
#pragma once

#include <QString>

// The data directory for a program in `programDirectory`.
QString MonitorDataDirectory(const QString& programDirectory);

// The data directory of the running program.
QString MonitorDataDirectory();
