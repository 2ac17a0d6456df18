// One MFT record (fixups, attribute walk, names, data attribute) and what a
// recovery does with it. The fuzzer's bytes are up to four 1 KiB records,
// placed as records 27..30 of a small volume whose other records are empty;
// attribute lists may point from one to another.

#include <cstring>

#include "fs/NTFS.h"
#include "fuzz/FuzzSupport.h"
#include "recover/OutputNames.h"

using namespace fuzzsupport;

namespace {

constexpr size_t RECORD = 1024;
constexpr uint64_t FIRST = 27;

void DecodeAlone(const uint8_t* pData, size_t nSize)
{
    std::vector<uint8_t> record(RECORD, 0);
    std::memcpy(record.data(), pData, std::min(nSize, RECORD));
    ApplyFixups(record.data(), record.size());
    CAttributeWalker walker(CByteView(record.data(), record.size()));
    CNtfsAttribute attr;
    for (int n = 0; walker.Next(attr); ++n) {
        Check(n < static_cast<int>(RECORD / 0x18), "the walk found more attributes than fit in a record");
        Check(attr.m_bytes.Data() >= record.data() && attr.m_bytes.Data() + attr.m_bytes.Size() <= record.data() + RECORD,
              "attribute outside its record");
        CNtfsFileName name;
        if (!attr.m_bNonResident && DecodeFileName(attr.Value(), name))
            CheckOutputName(NtfsNameToUtf8(name.m_pName, name.m_nLength, true));
        if (attr.m_bNonResident) (void)DecodeRunList(attr.RunList(), attr.LowestVcn(), 64);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize > 4 * RECORD) return 0;
    DecodeAlone(pData, nSize);

    static const std::vector<uint8_t> s_template = MakeNtfsVolume(256 * 1024);
    std::vector<uint8_t> volume = s_template;
    std::memcpy(volume.data() + NTFS_MFT_OFFSET + FIRST * RECORD, pData, nSize);
    auto pEngine = MemoryEngine(std::move(volume), "NTFS");
    auto* pNtfs = static_cast<CNTFS*>(pEngine.get());
    Check(pNtfs->m_bBootLoaded, "the template volume did not load");

    std::vector<uint8_t> record(pData, pData + std::min(nSize, RECORD));
    record.resize(RECORD, 0);
    CFoundEntry entry;
    pNtfs->ParseRecord(record.data(), FIRST, entry);
    CheckOutputName(entry.m_strName);

    for (uint64_t n = FIRST; n < FIRST + (nSize + RECORD - 1) / RECORD; ++n) {
        COutputFile out = MemoryOutput();
        CRecoverResult result = pNtfs->RecoverFile(n, "", out, nullptr);
        // Nothing past what a 256 KiB volume and a 16 TiB file limit allow.
        Check(result.m_nBytesWritten <= (uint64_t{1} << 44), "recovered more than any file can hold");
    }
    return 0;
}
