// The application object: reads the command line, shows the main window
// and runs the program until the window ends.
#pragma once

class CVorlainApp {
public:
    /** The program's whole life; returns its exit code. */
    int Run(int& argc, char** argv);
};
