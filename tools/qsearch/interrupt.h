// Ctrl-C while an index file is being built or written: the walk stops, and the library's
// open and save see the cancel object, delete their temporary file and leave the target alone.
#pragma once

#include <cstdint>

namespace qsearch {

// Installs the handler; afterwards interrupted() and cancel_object() report Ctrl-C.
void catch_interrupts();

bool interrupted();

// The object the library's open and save poll (a pipe's read end on POSIX); 0 = none.
std::uint64_t cancel_object();

}  // namespace qsearch
