#include "help_text.h"

namespace qsearch {
namespace {

struct CommandText {
    std::string_view name;
    std::string_view synopsis;
    std::string_view summary;  // one or two lines, for the usage text
    std::string_view details;  // the rest, for help COMMAND
};

constexpr std::string_view kOutputOptions =
    "  -n N       at most N entries (default 20)\n"
    "  -0, --null each path followed by a NUL byte instead of a line end, for xargs -0\n"
    "  --json     one JSON object per line: path, name, folder, modified (UTC, ISO 8601)";

constexpr CommandText kCommands[] = {
    {"index", "index DIR [-o FILE] [--max-entries N]",
     "index the tree under DIR into FILE (default qsearch.vrel)",
     "Walks DIR without following symbolic links and writes FILE atomically: a failed or\n"
     "interrupted run leaves the previous FILE as it was. One index holds at most 300000\n"
     "entries; --max-entries lowers that.\n"},
    {"find", "find FILE QUERY [-n N] [--long | -0 | --json]",
     "the N best entries whose name matches QUERY (default 20);\n"
     "--long adds score, kind and modification time",
     "Names are matched ignoring letter case: exact names first, then names starting with\n"
     "QUERY, then names containing it; newer entries first within each. Exits 0 when\n"
     "something matched, 1 when nothing did, 2 for bad usage.\n"
     "  --long     score, modification time and kind before each path, and a closing line\n"
     "             with the match count and the query time\n"},
    {"recent", "recent FILE [-n N] [-0 | --json]", "the N newest files",
     "Files only, newest first.\n"},
    {"folders", "folders FILE [-n N] [-0 | --json]", "the N folders holding the most files",
     "Counts the files directly in each folder; fullest first. With --json, \"files\" is the\n"
     "count and \"modified\" the time of the newest of them.\n"},
    {"update", "update FILE DIR", "rescan DIR and bring FILE in step with it",
     "Compares the disk under DIR with FILE and applies only the differences. Entries of\n"
     "FILE outside DIR stay as they are.\n"},
    {"watch", "watch DIR [-o FILE]",
     "index DIR into FILE (default qsearch.vrel), then keep FILE in step\n"
     "with every change until Ctrl-C",
     "When FILE exists it is brought in step with DIR first, as update does. Changes are\n"
     "followed through inotify and applied in batches within a fraction of a second; FILE is\n"
     "saved atomically at most every few seconds and once more on Ctrl-C or SIGTERM, so\n"
     "find, recent and folders can read it at any time. Folders past the system's limit of\n"
     "inotify watches are rescanned periodically instead, with one warning.\n"},
    {"ui", "ui FILE", "search as you type; Enter prints the selected path",
     "Needs a terminal. The best hits refresh on every key; Up and Down move the selection,\n"
     "Enter prints the selected path and exits 0, Esc or Ctrl-C exits 1 printing nothing.\n"},
    {"stats", "stats FILE", "what FILE holds", ""},
    {"help", "help [COMMAND]", "this text, or more about COMMAND", ""},
};

constexpr std::size_t kSummaryColumn = 28;

bool lists_entries(std::string_view name) {
    return name == "find" || name == "recent" || name == "folders";
}

}  // namespace

std::string usage_text() {
    std::string text = "usage: qsearch COMMAND ARGUMENTS\n\n";
    for (const CommandText& command : kCommands) {
        std::string line = "  " + std::string(command.synopsis);
        line += line.size() + 2 <= kSummaryColumn ? std::string(kSummaryColumn - line.size(), ' ')
                                                  : "\n" + std::string(kSummaryColumn, ' ');
        for (const char c : command.summary) {
            line.push_back(c);
            if (c == '\n') {
                line.append(kSummaryColumn, ' ');
            }
        }
        text += line + "\n";
    }
    text +=
        "  --version                 the version of qsearch and of the search core interface\n"
        "\n"
        "Names are matched ignoring letter case: exact names first, then names starting with\n"
        "QUERY, then names containing it; newer entries first within each.\n";
    return text;
}

std::string command_help(std::string_view name) {
    for (const CommandText& command : kCommands) {
        if (command.name != name) {
            continue;
        }
        std::string text = "usage: qsearch " + std::string(command.synopsis) + "\n\n" +
                           std::string(command.summary) + "\n";
        if (!command.details.empty()) {
            text += "\n" + std::string(command.details);
        }
        if (lists_entries(name)) {
            text += std::string(kOutputOptions) + "\n";
        }
        return text;
    }
    return "";
}

}  // namespace qsearch
