#pragma once
// The application object: reads the command line, fills the volume table,
// and runs the main window until it closes.

#include <QApplication>

class CRecoveryApp final : public QApplication {
    Q_OBJECT
public:
    CRecoveryApp(int& argc, char** argv);
    // Returns the process's exit status.
    int InitInstance();
};
