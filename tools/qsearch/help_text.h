// The usage text and the longer help of each command (qsearch help COMMAND).
#pragma once

#include <string>
#include <string_view>

namespace qsearch {

// Every command with its one-line summary.
std::string usage_text();

// The synopsis and description of one command; empty when there is no such command.
std::string command_help(std::string_view command);

}  // namespace qsearch
