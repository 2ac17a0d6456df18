#include "app/RecoveryApp.h"

int main(int argc, char** argv)
{
    CRecoveryApp app(argc, argv);
    return app.InitInstance();
}
