// The program entry's work, apart from main() so that tests and the
// screenshot scenes start the windows exactly as the program does.
#pragma once

// Application title and the bare name of the help file.
inline constexpr const char* kApplicationTitle = "Kestova Zemtra Monitor";
inline constexpr const char* kHelpFileName = "Zemtra Monitor Help";
// The installed desktop entry (zemtra-monitor.desktop), named for "Kestova Zemtra Monitor".
inline constexpr const char* kDesktopEntry = "zemtra-monitor";

// Ties the running application to its desktop entry, which gives task bars
// its title, and sets its help file.
void InitApplication();

// Creates Form1, FormSplash, AboutBox, FormSelectCard and FormRegAccess in
// this order and shows the main window with the splash on top of it.
void CreateWindows();

// Destroys the five windows again, in the opposite order.
void DestroyWindows();

// The whole program: application, windows, event loop. An exception that
// escapes is shown in a message box; the exit code is 0 either way.
int RunProgram(int& argc, char** argv);
