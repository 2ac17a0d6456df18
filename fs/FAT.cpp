#include "fs/FAT.h"

CFAT::CFAT(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFileSystem(nDrive, std::move(pReader)) {}
CFAT::~CFAT() = default;
int CFAT::ScanDrive(int, IScanProgress* pProgress)
{
    RefuseUnloadedScan(pProgress);
    return 0;
}
CFAT32::CFAT32(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFAT(nDrive, std::move(pReader)) {}
CFAT_12_16::CFAT_12_16(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFAT(nDrive, std::move(pReader)) {}
