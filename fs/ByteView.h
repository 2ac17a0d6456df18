#pragma once
// Bounds-checked little-endian reads from untrusted bytes. A read outside the
// view gives 0; parsers check Has() where a missing field changes the meaning.

#include <cstddef>
#include <cstdint>

class CByteView {
public:
    CByteView() = default;
    CByteView(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    const uint8_t* Data() const { return m_pData; }
    size_t Size() const { return m_nSize; }
    bool Has(size_t nOffset, size_t nLength) const { return nOffset <= m_nSize && nLength <= m_nSize - nOffset; }
    // The sub-range [nOffset, nOffset + nLength), clipped to the view.
    CByteView Sub(size_t nOffset, size_t nLength) const
    {
        if (nOffset > m_nSize) return {};
        return {m_pData + nOffset, nLength < m_nSize - nOffset ? nLength : m_nSize - nOffset};
    }

    uint8_t U8(size_t nOffset) const { return Has(nOffset, 1) ? m_pData[nOffset] : 0; }
    uint16_t U16(size_t nOffset) const { return static_cast<uint16_t>(Le(nOffset, 2)); }
    uint32_t U32(size_t nOffset) const { return static_cast<uint32_t>(Le(nOffset, 4)); }
    uint64_t U64(size_t nOffset) const { return Le(nOffset, 8); }
    // Little-endian unsigned integer of nBytes (1..8) bytes.
    uint64_t Le(size_t nOffset, size_t nBytes) const
    {
        if (nBytes == 0 || nBytes > 8 || !Has(nOffset, nBytes)) return 0;
        uint64_t nValue = 0;
        for (size_t i = 0; i < nBytes; ++i) nValue |= static_cast<uint64_t>(m_pData[nOffset + i]) << (8 * i);
        return nValue;
    }

private:
    const uint8_t* m_pData = nullptr;
    size_t m_nSize = 0;
};
