#pragma once
// What the GUI tests share: a drive enumerator the test controls, a main
// window whose message boxes are recorded instead of shown, and result trees
// built from found entries made in the test.

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>
#include <functional>
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

// The main window with its message boxes and the pages it would open in
// the desktop captured. A question takes the next of m_answers (No when
// none is left); m_fnWhileOpen runs as if the box were open, with its text.
class CTestDlg final : public CRecoveryDlg {
public:
    explicit CTestDlg(IDriveEnumerator* pEnumerator) : CRecoveryDlg(pEnumerator) {}
    QMessageBox::StandardButton MessageBox(const QString& strText, const QString& strCaption,
                                           QMessageBox::StandardButtons buttons, QMessageBox::Icon) override
    {
        m_messages << strText;
        m_captions << strCaption;
        if (m_fnWhileOpen) m_fnWhileOpen(strText);
        if (!(buttons & QMessageBox::Yes)) return QMessageBox::Ok;
        return m_answers.isEmpty() ? QMessageBox::No : m_answers.takeFirst();
    }
    bool ShellOpen(const QUrl& url) override
    {
        m_opened << url;
        m_nMessagesBeforeOpen << m_messages.size();
        return true;
    }
    QStringList m_messages;
    QStringList m_captions;
    QList<QUrl> m_opened;
    // How many message boxes had been shown when each page was opened.
    QList<qsizetype> m_nMessagesBeforeOpen;
    QList<QMessageBox::StandardButton> m_answers;
    std::function<void(const QString&)> m_fnWhileOpen;
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

// ---- real volumes ------------------------------------------------------------

// One file put on a test volume; m_strTreePath is where the scan shows it
// ("/"-joined below the drive).
struct CVolumeFile {
    std::string m_strTreePath;
    QByteArray m_bytes;
    bool m_bDeleted = false;
};

struct CFatVolume {
    QString m_strImage;
    std::vector<CVolumeFile> m_files;
    int m_nFolders = 0;  // folders the scan finds
    int m_nFiles = 0;    // files the scan finds
};

// A FAT16 volume made by mkfs.fat and filled by mtools, made afresh under the
// fixture folder:
//   Docs/Report.txt  Docs/Sub/Deep data.bin  Docs/Sub/Empty/  Docs/Old notes.txt (deleted)
//   Gone/ (deleted, with Gone/Photo.jpg)  Top file.txt  HORT.TXT and SHORT.TXT (deleted: also "HORT.TXT")
CFatVolume MakeFatVolume(const QString& strName);
// A FAT32 volume of nMiB with one-sector clusters holding "Folder/Notes
// file.txt", whose scan takes long enough to be paused and stopped.
QString MakeLargeFatVolume(const QString& strName, int nMiB);
// An NTFS volume as mkntfs leaves it: nothing a scan can place.
QString MakeEmptyNtfsVolume(const QString& strName);
// Runs a program; false (with its output in the test log) when it fails.
bool RunTool(const QString& strProgram, const QStringList& arguments);

// Offers the image as a drive; its letter, or "" when it was refused.
std::string AddImageDrive(const QString& strImage);
// Selects a drive or item in the tree as a click would.
void Select(CRecoveryDlg& dlg, CResultItem* pItem);
// Selects the drive and runs Scan; waits until the scan and its tree are done.
bool ScanToEnd(CRecoveryDlg& dlg, const std::string& strLetter, int nTimeoutMs = 60000);

}  // namespace guitest
