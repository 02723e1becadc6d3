// Starting a helper program (the text opener for the read-me) found on the
// executable search path only. The current directory is never searched, not
// even through an empty or relative PATH entry: a program planted there would
// otherwise run with the user's rights.
#pragma once

#include <QString>
#include <QStringList>

// The absolute file name of `program` in the first absolute directory of
// `searchPath` (PATH syntax) holding an executable file of that name; empty
// when there is none.
QString FindOnSearchPath(const QString& program, const QString& searchPath);

// Starts `program` from the PATH of the environment with `arguments`, in the
// current directory, without waiting for it. False when it cannot start.
bool StartFromSearchPath(const QString& program, const QStringList& arguments);
