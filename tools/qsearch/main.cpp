// qsearch: index a folder tree with the search core and search it from the command line.
// This file only parses the command line; each command lives in its own file.
#include <quorven/search_core.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "help_text.h"

namespace {

using namespace qsearch;

class UsageError : public Failure {
  public:
    explicit UsageError(const std::string& message) : Failure(message, kExitUsage) {}
};

// The arguments after the command: options the command allows, and the positionals.
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::optional<std::string> output_file;
    std::optional<std::uint32_t> count;
    std::optional<std::uint32_t> max_entries;
    OutputMode output = OutputMode::plain;
};

// The flags that choose how entries are printed; at most one may be given.
std::optional<OutputMode> output_flag(std::string_view arg) {
    if (arg == "--long") {
        return OutputMode::long_format;
    }
    if (arg == "-0" || arg == "--null") {
        return OutputMode::null_terminated;
    }
    if (arg == "--json") {
        return OutputMode::json;
    }
    return std::nullopt;
}

std::uint32_t parse_count(std::string_view option, std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > QUORVEN_SC_MAX_ENTRIES) {
        throw UsageError(std::string(option) + " needs a number from 1 to 300000, not '" +
                         std::string(text) + "'");
    }
    return value;
}

ParsedArguments parse(const std::vector<std::string>& args, std::string_view allowed) {
    ParsedArguments parsed;
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        if (allowed.find(" " + arg + " ") == std::string_view::npos) {
            throw UsageError("unknown option '" + arg + "'");
        }
        if (const auto mode = output_flag(arg)) {
            if (parsed.output != OutputMode::plain && parsed.output != *mode) {
                throw UsageError("--long, -0 and --json cannot be combined");
            }
            parsed.output = *mode;
            continue;
        }
        if (i + 1 == args.size()) {
            throw UsageError(arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "-o") {
            parsed.output_file = value;
        } else if (arg == "-n") {
            parsed.count = parse_count(arg, value);
        } else {
            parsed.max_entries = parse_count(arg, value);
        }
    }
    return parsed;
}

void expect_positionals(const ParsedArguments& parsed, std::size_t count) {
    if (parsed.positionals.size() != count) {
        throw UsageError("expected " + std::to_string(count) + " argument" +
                         (count == 1 ? "" : "s") + ", got " +
                         std::to_string(parsed.positionals.size()));
    }
    for (const std::string& positional : parsed.positionals) {
        if (positional.empty()) {
            throw UsageError("arguments must not be empty");
        }
    }
}

int dispatch(const std::string& command, const std::vector<std::string>& args) {
    if (command == "index") {
        const ParsedArguments parsed = parse(args, " -o --max-entries ");
        expect_positionals(parsed, 1);
        IndexOptions options;
        options.dir = parsed.positionals[0];
        options.file = parsed.output_file.value_or(options.file);
        options.max_entries = parsed.max_entries.value_or(QUORVEN_SC_MAX_ENTRIES);
        return run_index(options);
    }
    if (command == "find") {
        const ParsedArguments parsed = parse(args, " -n --long -0 --null --json ");
        expect_positionals(parsed, 2);
        FindOptions options;
        options.file = parsed.positionals[0];
        options.query = parsed.positionals[1];
        options.limit = parsed.count.value_or(options.limit);
        options.output = parsed.output;
        return run_find(options);
    }
    if (command == "recent" || command == "folders") {
        const ParsedArguments parsed = parse(args, " -n -0 --null --json ");
        expect_positionals(parsed, 1);
        ListOptions options;
        options.file = parsed.positionals[0];
        options.limit = parsed.count.value_or(options.limit);
        options.output = parsed.output;
        return command == "recent" ? run_recent(options) : run_folders(options);
    }
    if (command == "update") {
        const ParsedArguments parsed = parse(args, " ");
        expect_positionals(parsed, 2);
        return run_update({parsed.positionals[0], parsed.positionals[1]});
    }
    if (command == "stats") {
        const ParsedArguments parsed = parse(args, " ");
        expect_positionals(parsed, 1);
        return run_stats({parsed.positionals[0]});
    }
    if (command == "watch") {
        const ParsedArguments parsed = parse(args, " -o ");
        expect_positionals(parsed, 1);
        const WatchOptions defaults;
        return run_watch({parsed.positionals[0], parsed.output_file.value_or(defaults.file)});
    }
    if (command == "ui") {
        const ParsedArguments parsed = parse(args, " ");
        expect_positionals(parsed, 1);
        return run_ui({parsed.positionals[0]});
    }
    if (command == "help" || command == "--help" || command == "-h") {
        if (args.empty()) {
            std::fputs(usage_text().c_str(), stdout);
            return 0;
        }
        if (args.size() != 1) {
            throw UsageError("help takes one command name");
        }
        const std::string text = command_help(args[0]);
        if (text.empty()) {
            throw UsageError("unknown command '" + args[0] + "'");
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    if (command == "--version" || command == "version") {
        std::printf("qsearch %s (search core interface %u)\n", QSEARCH_VERSION,
                    quorven_search_core_abi_version());
        return 0;
    }
    throw UsageError("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(usage_text().c_str(), stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        return dispatch(command, args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "qsearch: %s\n\n%s", error.what(), usage_text().c_str());
        return error.exit_code();
    } catch (const Failure& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "qsearch: %s\n", error.what());
        return error.exit_code();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr,
                     "qsearch: out of memory; close other programs or index a smaller "
                     "tree\n");
        return kExitFailure;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qsearch: %s\n", error.what());
        return kExitFailure;
    }
}
