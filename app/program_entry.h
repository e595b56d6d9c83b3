#pragma once
#include <QStringList>

namespace app {

// The program after the application object exists: reads the command line
// (the arguments without the program's name), settles the single-instance
// handshake, creates the forms and runs until the main window closes.
// Returns the exit code, always 0.
int RunProgram(const QStringList& arguments);

}  // namespace app
