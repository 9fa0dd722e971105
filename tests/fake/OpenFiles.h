// How many files this process holds open, where the system can tell; 0 elsewhere.
#pragma once

#include <cstddef>

namespace fake {

std::size_t OpenFileCount();

} // namespace fake
