// The Recover command.

#include "app/RecoveryDlg.h"

void CRecoveryDlg::OnRecover() {}
