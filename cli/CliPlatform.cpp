#include "cli/CliPlatform.h"

#ifdef _WIN32

#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "model/PathGlob.h"
#include "platform/NativeFiles.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int nArgs = 0;
    wchar_t** ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    if (!ppArgs) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < nArgs; ++i) args.push_back(Utf8FromWide(ppArgs[i]));
    LocalFree(ppArgs);
    return args;
}

void PrepareConsole() { SetConsoleOutputCP(CP_UTF8); }

bool IsTerminal(std::FILE* pStream) { return _isatty(_fileno(pStream)) != 0; }

bool MatchesPathGlob(const std::string& strPattern, const std::string& strPath)
{
    return MatchesGlob(strPattern, strPath);
}

#else

#include <clocale>
#include <fnmatch.h>
#include <unistd.h>

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

// Globs match UTF-8 names character by character, and fold case beyond ASCII.
void PrepareConsole() { std::setlocale(LC_CTYPE, "C.UTF-8"); }

bool IsTerminal(std::FILE* pStream) { return ::isatty(::fileno(pStream)) == 1; }

bool MatchesPathGlob(const std::string& strPattern, const std::string& strPath)
{
    return ::fnmatch(strPattern.c_str(), strPath.c_str(), FNM_CASEFOLD) == 0;
}

#endif
