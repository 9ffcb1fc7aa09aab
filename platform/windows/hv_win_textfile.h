#pragma once

// Writing lines to a text file the Windows way, for the list-box dialog's "Save as...". Free of <windows.h>,
// like hv_win_keyhook.h.

#include <string>
#include <vector>

// Writes each line followed by a newline, in text mode: an existing file is truncated, and every newline (one
// inside a line too) becomes CR LF. An empty list leaves an empty file.
//
// fileName is UTF-8. A pure-ASCII name goes to the C runtime's narrow open as it is. Any other name is opened
// through the runtime's wide open after a strict UTF-8 to UTF-16 conversion, because the narrow open reads
// its bytes in the ANSI code page and would create a file of another name; a name that is not valid UTF-8
// cannot be opened.
//
// Throws HvException with "cannot open file <name> for writing" when the file cannot be opened, and with
// "cannot write file <name>" when a write or the close fails (a full disk): the lines written up to then may
// remain in the file.
void WriteLinesToTextFileOrThrow(std::vector<std::string> const& lines, std::string const& fileName);
