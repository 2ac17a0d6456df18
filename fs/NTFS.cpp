#include "fs/NTFS.h"

CNTFS::CNTFS(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFileSystem(nDrive, std::move(pReader)) {}
CNTFS::~CNTFS() = default;
int CNTFS::ScanDrive(int, IScanProgress* pProgress)
{
    RefuseUnloadedScan(pProgress);
    return 0;
}
