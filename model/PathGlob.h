#pragma once
// Shell patterns over result paths, as `varnel --match` takes them: "*" any
// run of characters ("/" included), "?" one character, "[...]" one of a set
// ("!" or "^" first negates, "a-z" ranges, "[:alpha:]" classes), "\" takes
// the next character as it is. Case is folded on both sides; UTF-8 is matched
// character by character. The same as fnmatch with FNM_CASEFOLD alone, for
// systems that have none.

#include <string>

bool MatchesGlob(const std::string& strPattern, const std::string& strText);
