// Reading a user's file without ever waiting on it: a named pipe, a device or a socket in a
// folder of music or descriptions is no file to read, and opening one for reading would block.
#pragma once

#include <cstddef>
#include <string>

namespace os {

// Reads at most maxBytes from the start of a regular file (a link to one counts). False for
// anything else, or when the file cannot be opened or read.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);

} // namespace os
