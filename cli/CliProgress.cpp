#include "cli/CliProgress.h"

#include <cstdio>

#include "cli/CliPlatform.h"

namespace {

constexpr auto DRAW_INTERVAL = std::chrono::milliseconds(100);

void DrawLine(const std::string& strLine)
{
    std::fprintf(stderr, "\r%-78.78s", strLine.c_str());
    std::fflush(stderr);
}

void EraseLine() { std::fprintf(stderr, "\r%78s\r", ""); }

bool DueForDraw(std::chrono::steady_clock::time_point& last)
{
    auto now = std::chrono::steady_clock::now();
    if (now - last < DRAW_INTERVAL) return false;
    last = now;
    return true;
}

std::string Bar(uint64_t nPercent)
{
    constexpr int WIDTH = 30;
    int nFull = static_cast<int>(nPercent * WIDTH / 100);
    return "[" + std::string(static_cast<size_t>(nFull), '#') + std::string(static_cast<size_t>(WIDTH - nFull), '.') + "]";
}

}  // namespace

CCliScanProgress::CCliScanProgress() : m_bTerminal(IsTerminal(stderr)) {}
CCliScanProgress::~CCliScanProgress() { Finish(); }

void CCliScanProgress::SetCurrentCluster(uint64_t nCurrent)
{
    if (!m_bTerminal || !DueForDraw(m_lastDraw)) return;
    uint64_t nPercent = m_nTotal ? (nCurrent >= m_nTotal ? 100 : nCurrent * 100 / m_nTotal) : 0;
    DrawLine("Scanning " + Bar(nPercent) + " " + std::to_string(m_nFound) + " found");
    m_bDrawn = true;
}

void CCliScanProgress::ShowMessage(const std::string& strText, const std::string& strCaption)
{
    Finish();
    std::fprintf(stderr, "%s: %s\n", strCaption.c_str(), strText.c_str());
}

void CCliScanProgress::Finish()
{
    if (m_bDrawn) EraseLine();
    m_bDrawn = false;
}

CCliRecoveryProgress::CCliRecoveryProgress() : m_bTerminal(IsTerminal(stderr)) {}
CCliRecoveryProgress::~CCliRecoveryProgress() { Finish(); }

void CCliRecoveryProgress::SetFileInfo(const std::string& strName, const std::string&, const std::string&)
{
    m_strName = strName;
    m_nPercent = 0;
    ++m_nFiles;
    Draw();
}

void CCliRecoveryProgress::SetProgress(uint64_t nDone, uint64_t nTotal)
{
    if (nTotal == 0) return;
    uint64_t nPercent = nDone >= nTotal ? 100 : nDone * 100 / nTotal;
    if (nPercent > m_nPercent) m_nPercent = nPercent;
    Draw();
}

void CCliRecoveryProgress::Draw()
{
    if (!m_bTerminal || !DueForDraw(m_lastDraw)) return;
    DrawLine("Recovering " + Bar(m_nPercent) + " #" + std::to_string(m_nFiles) + " " + m_strName);
    m_bDrawn = true;
}

void CCliRecoveryProgress::Finish()
{
    if (m_bDrawn) EraseLine();
    m_bDrawn = false;
}
