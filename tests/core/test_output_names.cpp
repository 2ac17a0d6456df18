#include <gtest/gtest.h>

#include "recover/OutputNames.h"

TEST(OutputNames, SanitizedNamesAreSingleSafeComponents)
{
    struct {
        std::string strIn, strOut;
    } cases[] = {
        {"photo.jpg", "photo.jpg"},
        {"a/b", "a_b"},
        {"..", "__"},
        {".", "_"},
        {"", "_"},
        {std::string("nul\0x", 5), "nul_x"},
        {"tab\tnew\nline", "tab_new_line"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"bad\xFF\xFE utf", "bad__ utf"},
        {"\xE4\xB8\xAD\xE6\x96\x87.txt", "\xE4\xB8\xAD\xE6\x96\x87.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(SanitizeName(c.strIn), c.strOut) << c.strIn;
}

TEST(OutputNames, LongNamesAreCutAtACharacterBoundaryKeepingTheExtension)
{
    std::string strLong;
    for (int i = 0; i < 200; ++i) strLong += "\xC3\xA9";  // 400 bytes of e-acute
    std::string strOut = SanitizeName(strLong + ".jpeg");
    EXPECT_LE(strOut.size(), 240u);
    EXPECT_EQ(strOut.substr(strOut.size() - 5), ".jpeg");
    EXPECT_EQ(SanitizeName(strOut), strOut);  // still valid UTF-8, nothing split
}

TEST(OutputNames, NumberedVariants)
{
    EXPECT_EQ(NumberedName("report.pdf", 2), "report (2).pdf");
    EXPECT_EQ(NumberedName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(NumberedName("README", 2), "README (2)");
    EXPECT_EQ(NumberedName(".profile", 2), ".profile (2)");
}

TEST(OutputNames, WindowsNamesAvoidReservedCharactersDevicesAndTrailingDots)
{
    struct {
        std::string strIn, strOut;
    } cases[] = {
        {"what?.txt", "what_.txt"},
        {"a<b>c:d\"e\\f|g*h", "a_b_c_d_e_f_g_h"},
        {"CON", "CON_"},
        {"con.txt", "con_.txt"},
        {"Nul.tar.gz", "Nul_.tar.gz"},
        {"COM1", "COM1_"},
        {"lpt9.log", "lpt9_.log"},
        {"COM\xC2\xB9.txt", "COM\xC2\xB9_.txt"},
        {"CON .txt", "CON _.txt"},
        {"conin$", "conin$_"},
        {"COM10", "COM10"},
        {"CONSOLE.txt", "CONSOLE.txt"},
        {"report.", "report_"},
        {"trailing ", "trailing_"},
        {"caf\xC3\xA9.txt", "caf\xC3\xA9.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsSafeName(c.strIn), c.strOut) << c.strIn;
#ifdef _WIN32
    // Output names on Windows follow these rules on top of the general ones.
    EXPECT_EQ(SanitizeName("aux.c"), "aux_.c");
    EXPECT_EQ(SanitizeName("a/b:c"), "a_b_c");
#else
    EXPECT_EQ(SanitizeName("aux.c"), "aux.c");
#endif
}
