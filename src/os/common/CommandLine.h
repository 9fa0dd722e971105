// Command lines in the Windows form: a program path, then its arguments, blank-separated,
// with double quotes around anything that contains blanks.
#pragma once

#include <string>
#include <vector>

namespace os {

// The path enclosed in double quotes when it contains a blank, a tab or a double quote, else
// unchanged; a double quote inside is doubled. A program path with a blank left bare would
// start the program named by its first word instead.
std::string QuoteIfBlank(const std::string& path);

// Splits a whole command line: the program first (up to the closing quote when it starts
// with one, a doubled quote inside standing for one quote; else up to the first blank or tab,
// taken literally), then the arguments as SplitArguments does. Empty or blank text gives no
// words.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Splits argument text by the rules of CommandLineToArgvW: blanks and tabs separate words
// outside quotes; 2n backslashes before a quote give n backslashes and the quote opens or
// closes quoting; 2n+1 give n backslashes and a literal quote; other backslashes are
// literal; a quote doubled inside quotes gives a literal quote and ends the quoting.
std::vector<std::string> SplitArguments(const std::string& arguments);

} // namespace os
