#pragma once
// What the GUI tests share: a drive enumerator the test controls, a main
// window whose message boxes are recorded instead of shown, and result trees
// built from found entries made in the test.

#include <QMessageBox>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/RecoveryDlg.h"
#include "fs/FoundEntry.h"
#include "model/ResultTree.h"
#include "platform/DriveEnumerator.h"

namespace guitest {

// Drives attached and detached by the test.
class CFakeEnumerator final : public IDriveEnumerator {
public:
    std::vector<CVolumeInfo> Enumerate() override { return m_volumes; }
    void Attach(const CVolumeInfo& info) { m_volumes.push_back(info); }
    void Detach(const std::string& strSource);
    std::vector<CVolumeInfo> m_volumes;
};

CVolumeInfo Volume(const std::string& strSource, EDriveType nType, const std::string& strFileSystem,
                   const std::string& strLabel = "", const std::string& strDescription = "");

// The main window with its message boxes captured.
class CTestDlg final : public CRecoveryDlg {
public:
    explicit CTestDlg(IDriveEnumerator* pEnumerator) : CRecoveryDlg(pEnumerator) {}
    QMessageBox::StandardButton MessageBox(const QString& strText, const QString& strCaption,
                                           QMessageBox::StandardButtons, QMessageBox::Icon) override
    {
        m_messages << strText;
        m_captions << strCaption;
        return QMessageBox::Ok;
    }
    QStringList m_messages;
    QStringList m_captions;
};

// Sets the edition and empties the volume table, as at program start.
void ResetMachine(const std::string& strEdition = "3");

std::unique_ptr<CFoundEntry> Entry(const std::string& strName, uint64_t nParent, uint64_t nStart, bool bFolder,
                                   bool bDeleted = false, uint64_t nSize = 0);

// A scan result of an NTFS drive, built by the core's tree builder apart from
// the window:
//   Docs/            (live folder, 30)
//     Sub/           (deleted folder, 40)   deep.txt
//     b.txt  a.txt (deleted)  Report.doc
//   empty/           (folder, 50, nothing in it)
//   readme.txt       (37, parent 5)
//   Zeta.bin (deleted)
std::unique_ptr<CResultItem> BuildSampleResult();

// The item at a "\"-separated address ("C:\Docs\Sub"), or null.
CResultItem* ItemAt(CRecoveryDlg& dlg, const QString& strAddress);

}  // namespace guitest
