#pragma once

#include <functional>

class QWidget;

// What the program gives the run routine for its window.
struct TKvGuiStart
{
    // Creates the main form (owned by the run routine from then on).
    std::function<QWidget*()> CreateMainForm;
    // Shows the splash screen when "App.Splash" is set; nothing happens while empty.
    std::function<void()> ShowSplash;
    // Refuses the start when it answers false.
    std::function<bool()> StartupPredicate;
};

// The program's entry: RunApplication with a QApplication, the Control+Shift debug chord,
// the splash, the main form and the message loop. Returns the exit code.
int RunGuiApplication(int& argc, char** argv, const TKvGuiStart& start);
