#include "tests/gui/GuiTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <algorithm>

#include "model/EditionProfile.h"
#include "model/ItemPath.h"
#include "model/TreeBuilder.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

namespace guitest {

void CFakeEnumerator::Detach(const std::string& strSource)
{
    m_volumes.erase(std::remove_if(m_volumes.begin(), m_volumes.end(),
                                   [&](const CVolumeInfo& v) { return v.m_strSourcePath == strSource; }),
                    m_volumes.end());
}

CVolumeInfo Volume(const std::string& strSource, EDriveType nType, const std::string& strFileSystem,
                   const std::string& strLabel, const std::string& strDescription)
{
    CVolumeInfo info;
    info.m_strSourcePath = strSource;
    info.m_nType = nType;
    info.m_strFileSystem = strFileSystem;
    info.m_strVolumeLabel = strLabel;
    info.m_strSerial = "1234-ABCD";
    info.m_strDescription = strDescription;
    return info;
}

void ResetMachine(const std::string& strEdition)
{
    g_strEdition = strEdition;
    CVolumeTable::Instance().Clear();
}

std::unique_ptr<CFoundEntry> Entry(const std::string& strName, uint64_t nParent, uint64_t nStart, bool bFolder,
                                   bool bDeleted, uint64_t nSize)
{
    auto p = std::make_unique<CFoundEntry>();
    p->m_strName = strName;
    p->m_nParentRef = nParent;
    p->m_nStartRef = nStart;
    p->m_nSize = nSize;
    p->m_bDeleted = bDeleted;
    p->m_wFlags = static_cast<uint16_t>((bFolder ? 2 : 0) | (bDeleted ? 0 : 1));
    p->m_strSignature = "FILE";
    return p;
}

std::unique_ptr<CResultItem> BuildSampleResult()
{
    CFoundArray found;
    found.push_back(Entry("Docs", 5, 30, true));
    found.push_back(Entry("b.txt", 30, 31, false, false, 10));
    found.push_back(Entry("Sub", 30, 40, true, true));
    found.push_back(Entry("a.txt", 30, 32, false, true, 20));
    found.push_back(Entry("deep.txt", 40, 41, false, true, 30));
    found.push_back(Entry("Report.doc", 30, 33, false, false, 40));
    found.push_back(Entry("empty", 5, 50, true));
    found.push_back(Entry("readme.txt", 5, 37, false, false, 1234));
    found.push_back(Entry("Zeta.bin", 5, 60, false, true, 99));
    auto pBuilt = std::make_unique<CResultItem>("C", IMAGE_DRIVE);
    CTreeBuilder builder;
    builder.Build(found, 5, pBuilt.get(), false);
    return pBuilt;
}

CResultItem* ItemAt(CRecoveryDlg& dlg, const QString& strAddress)
{
    CResultItem* pItem = dlg.NavigateToPath(strAddress, true);
    return pItem && ItemAddress(pItem) == strAddress.toStdString() ? pItem : nullptr;
}

bool RunTool(const QString& strProgram, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(strProgram, arguments);
    bool bOk = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    if (!bOk)
        qWarning("%s %s: %s", qPrintable(strProgram), qPrintable(arguments.join(' ')),
                 process.readAll().constData());
    return bOk;
}

namespace {

QString FreshImagePath(const QString& strName)
{
    QDir().mkpath(QStringLiteral(VARNEL_FIXTURE_DIR "/gui"));
    QString strImage = QStringLiteral(VARNEL_FIXTURE_DIR "/gui/%1.img").arg(strName);
    QFile::remove(strImage);
    return strImage;
}

QByteArray Pattern(int nLength, int nSeed)
{
    QByteArray bytes(nLength, Qt::Uninitialized);
    uint32_t n = 2166136261u ^ static_cast<uint32_t>(nSeed);
    for (int i = 0; i < nLength; ++i) {
        n = n * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(n >> 16);
    }
    return bytes;
}

bool CopyIn(const QString& strImage, const std::string& strPath, const QByteArray& bytes)
{
    QString strTemp = strImage + QStringLiteral(".in");
    QFile file(strTemp);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    file.close();
    bool bOk = RunTool(QStringLiteral("mcopy"), {QStringLiteral("-o"), QStringLiteral("-i"), strImage, strTemp,
                                                 QStringLiteral("::/") + QString::fromStdString(strPath)});
    QFile::remove(strTemp);
    return bOk;
}

bool Mtools(const QString& strCommand, const QString& strImage, const QStringList& paths)
{
    QStringList arguments{QStringLiteral("-i"), strImage};
    for (const QString& strPath : paths) arguments << QStringLiteral("::/") + strPath;
    return RunTool(strCommand, arguments);
}

}  // namespace

CFatVolume MakeFatVolume(const QString& strName)
{
    CFatVolume v;
    v.m_strImage = FreshImagePath(strName);
    if (!RunTool(QStringLiteral("mkfs.fat"), {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("16"),
                                               QStringLiteral("-s"), QStringLiteral("4"), QStringLiteral("-n"),
                                               strName.left(11).toUpper(), v.m_strImage, QStringLiteral("16384")}))
        return {};
    v.m_files = {
        {"Docs/Report.txt", Pattern(30000, 1), false},
        {"Docs/Sub/Deep data.bin", Pattern(2000, 2), false},
        {"Docs/Old notes.txt", Pattern(5000, 3), true},
        {"Gone/Photo.jpg", Pattern(9000, 4), true},
        {"Top file.txt", Pattern(700, 5), false},
        {"HORT.TXT", Pattern(1200, 6), false},
        {"SHORT.TXT", Pattern(1500, 7), true},
    };
    bool bOk = Mtools(QStringLiteral("mmd"), v.m_strImage,
                      {QStringLiteral("Docs"), QStringLiteral("Docs/Sub"), QStringLiteral("Docs/Sub/Empty"),
                       QStringLiteral("Gone")});
    for (const CVolumeFile& f : v.m_files) bOk = bOk && CopyIn(v.m_strImage, f.m_strTreePath, f.m_bytes);
    // Deletions last, so that no later write takes the freed clusters.
    bOk = bOk && Mtools(QStringLiteral("mdeltree"), v.m_strImage, {QStringLiteral("Gone")});
    bOk = bOk && Mtools(QStringLiteral("mdel"), v.m_strImage, {QStringLiteral("Docs/Old notes.txt")});
    bOk = bOk && Mtools(QStringLiteral("mdel"), v.m_strImage, {QStringLiteral("SHORT.TXT")});
    if (!bOk) return {};
    // A deleted short name loses its first letter.
    v.m_files.back().m_strTreePath = "HORT.TXT";
    v.m_nFolders = 4;  // Docs, Sub, Empty, Gone
    v.m_nFiles = static_cast<int>(v.m_files.size());
    return v;
}

QString MakeLargeFatVolume(const QString& strName, int nMiB)
{
    QString strImage = FreshImagePath(strName);
    bool bOk = RunTool(QStringLiteral("mkfs.fat"), {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("32"),
                                                     QStringLiteral("-s"), QStringLiteral("1"), strImage,
                                                     QString::number(nMiB * 1024)}) &&
               Mtools(QStringLiteral("mmd"), strImage, {QStringLiteral("Folder")}) &&
               CopyIn(strImage, "Folder/Notes file.txt", Pattern(2000, 9));
    return bOk ? strImage : QString();
}

QString MakeEmptyNtfsVolume(const QString& strName)
{
    QString strImage = FreshImagePath(strName);
    QFile file(strImage);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(8 << 20)) return {};
    file.close();
    bool bOk = RunTool(QStringLiteral("mkntfs"), {QStringLiteral("-F"), QStringLiteral("-q"), QStringLiteral("-f"),
                                                   strImage});
    return bOk ? strImage : QString();
}

std::string AddImageDrive(const QString& strImage)
{
    std::string strError;
    int nDrive = CRecoveryDlg::RegisterImageFile(strImage.toStdString(), &strError);
    if (nDrive < 0) qWarning("%s", strError.c_str());
    return nDrive < 0 ? std::string() : DriveLetter(nDrive);
}

void Select(CRecoveryDlg& dlg, CResultItem* pItem)
{
    QModelIndex index = dlg.m_pTreeModel->IndexOf(pItem);
    dlg.m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

bool ScanToEnd(CRecoveryDlg& dlg, const std::string& strLetter, int nTimeoutMs)
{
    CResultItem* pDrive = dlg.FindDriveItem(strLetter);
    if (!pDrive) return false;
    Select(dlg, pDrive);
    dlg.OnScan();
    if (!dlg.m_bScanning) return false;
    QElapsedTimer timer;
    timer.start();
    while ((dlg.m_bScanning || dlg.IsWorking()) && timer.elapsed() < nTimeoutMs) QTest::qWait(10);
    return !dlg.m_bScanning && !dlg.IsWorking();
}

}  // namespace guitest
