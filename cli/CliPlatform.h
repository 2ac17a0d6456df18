#pragma once
// What the `varnel` command needs from the system it runs on: its arguments
// as UTF-8, a console that shows UTF-8, whether stderr is a terminal, and
// shell-pattern matching.

#include <cstdio>
#include <string>
#include <vector>

// The command's arguments in UTF-8. Windows hands a program its arguments in
// the ANSI code page; the wide command line keeps every character.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Readies stdout and stderr for UTF-8 text, and the C library for UTF-8 names.
void PrepareConsole();
bool IsTerminal(std::FILE* pStream);
// fnmatch with FNM_CASEFOLD where the C library has it.
bool MatchesPathGlob(const std::string& strPattern, const std::string& strPath);
