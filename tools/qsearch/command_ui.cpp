// qsearch ui FILE: search as you type. The best hits refresh on every key; Up and Down move
// the selection, Enter prints the selected path and exits 0, Esc or Ctrl-C exit 1.
#include <poll.h>
#include <unistd.h>

#include <quorven/search_core.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "format.h"
#include "match_span.h"
#include "raw_terminal.h"
#include "session.h"
#include "stopwatch.h"
#include "utf.h"

namespace qsearch {
namespace {

constexpr char kHighlight[] = "\033[1;31m";
constexpr char kSelected[] = "\033[7m";
constexpr char kDim[] = "\033[2m";
constexpr char kPlain[] = "\033[0m";
// Time allowed for the rest of an escape sequence before a lone ESC counts as the Esc key.
constexpr int kEscapeWaitMs = 50;

enum class KeyKind { text, backspace, clear, up, down, enter, quit, none };

struct Key {
    KeyKind kind = KeyKind::none;
    std::string text;
};

// Bytes typed so far and not yet turned into keys.
class KeyReader {
  public:
    // Blocks for the next key; quit at the end of input.
    Key next() {
        if (pending_.empty() && !fill(-1)) {
            return {KeyKind::quit, {}};
        }
        const char first = pending_[0];
        if (first == '\033') {
            if (pending_.size() == 1 && !fill(kEscapeWaitMs)) {
                pending_.clear();
                return {KeyKind::quit, {}};  // Esc
            }
            return escape_sequence();
        }
        pending_.erase(0, 1);
        switch (first) {
            case '\r':
            case '\n':
                return {KeyKind::enter, {}};
            case 0x03:  // Ctrl-C
                return {KeyKind::quit, {}};
            case 0x7F:
            case 0x08:
                return {KeyKind::backspace, {}};
            case 0x15:  // Ctrl-U
                return {KeyKind::clear, {}};
            case 0x10:  // Ctrl-P
                return {KeyKind::up, {}};
            case 0x0E:  // Ctrl-N
                return {KeyKind::down, {}};
            default:
                if (static_cast<unsigned char>(first) < 0x20) {
                    return {};
                }
                return {KeyKind::text, std::string(1, first)};
        }
    }

  private:
    bool fill(int timeout_ms) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (timeout_ms >= 0 && poll(&input, 1, timeout_ms) <= 0) {
            return false;
        }
        char bytes[256];
        const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            return false;
        }
        pending_.append(bytes, static_cast<std::size_t>(count));
        return true;
    }

    // ESC [ or ESC O, parameters, then one final byte; only the arrows mean something here.
    Key escape_sequence() {
        if (pending_.size() < 3) {
            fill(kEscapeWaitMs);
        }
        std::size_t end = 2;
        while (end < pending_.size() && (pending_[end] < 0x40 || pending_[end] > 0x7E)) {
            ++end;
        }
        const char final_byte = end < pending_.size() ? pending_[end] : '\0';
        pending_.erase(0, std::min(end + 1, pending_.size()));
        if (final_byte == 'A') {
            return {KeyKind::up, {}};
        }
        if (final_byte == 'B') {
            return {KeyKind::down, {}};
        }
        return {};
    }

    std::string pending_;
};

struct Screen {
    std::string query;
    std::vector<Hit> hits;
    std::vector<CopiedEntry> entries;
    std::uint32_t matched = 0;
    double seconds = 0;
    std::size_t selected = 0;
};

std::size_t code_points(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Drops whole code points from the front until `text` has at most `keep` of them.
std::string keep_tail(const std::string& text, std::size_t keep) {
    std::size_t count = code_points(text);
    std::size_t start = 0;
    while (count > keep && start < text.size()) {
        ++start;
        while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            ++start;
        }
        --count;
    }
    return text.substr(start);
}

// One hit as a line of at most `width` code points: the folder shortened from the left so the
// name stays in view, the matched part highlighted.
std::string hit_line(const CopiedEntry& entry, const Hit& hit, std::u16string_view query,
                     std::size_t width, bool selected) {
    const std::u16string path = full_path(entry.dir, entry.name);
    const std::u16string_view name = entry.name;
    const auto span =
        match_span(name, query, hit.score).value_or(std::pair{name.size(), name.size()});
    std::string before =
        utf16_to_utf8(std::u16string_view(path).substr(0, path.size() - name.size() + span.first));
    const std::string match = utf16_to_utf8(name.substr(span.first, span.second - span.first));
    std::string after = utf16_to_utf8(name.substr(span.second));
    const std::size_t fixed = code_points(match) + code_points(after);
    if (fixed + code_points(before) > width) {
        before = width > fixed + 1 ? "\u2026" + keep_tail(before, width - fixed - 1) : "";
    }
    const std::string base = selected ? kSelected : "";
    return base + before + kHighlight + match + kPlain + base + after + kPlain;
}

std::string draw(const Screen& screen, int rows, int columns) {
    const auto width = static_cast<std::size_t>(std::max(columns - 1, 10));
    std::string text = "\033[H> " + screen.query + "\033[K\r\n";
    text += kDim;
    if (screen.query.empty()) {
        text += "type to search; Up/Down select, Enter prints the path, Esc quits";
    } else {
        char status[96];
        std::snprintf(status, sizeof status, "%zu of %u matches in %s", screen.hits.size(),
                      screen.matched, format_seconds(screen.seconds).c_str());
        text += status;
    }
    text += std::string(kPlain) + "\033[K";
    const std::u16string query = utf8_to_utf16(screen.query).text;
    const std::size_t shown =
        std::min(screen.entries.size(), static_cast<std::size_t>(std::max(rows - 2, 0)));
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\r\n" +
                hit_line(screen.entries[i], screen.hits[i], query, width, i == screen.selected) +
                "\033[K";
    }
    // Clear what an earlier, longer list left, and put the cursor after the query.
    text += "\033[J\033[1;" + std::to_string(3 + code_points(screen.query)) + "H";
    return text;
}

void search(Store& store, Screen& screen, int rows) {
    screen.hits.clear();
    screen.entries.clear();
    screen.matched = 0;
    screen.selected = 0;
    const std::u16string query = utf8_to_utf16(screen.query).text;
    if (query.empty() || query.size() > QUORVEN_SC_MAX_QUERY_UNITS) {
        return;
    }
    Stopwatch clock;
    QueryOutcome outcome = store.query(query, static_cast<std::uint32_t>(std::max(rows - 2, 1)));
    std::vector<std::uint32_t> ids;
    for (const Hit& hit : outcome.hits) {
        ids.push_back(hit.id);
    }
    screen.entries = store.copy_entries(ids, outcome.text_units);
    screen.seconds = clock.seconds();
    screen.hits = std::move(outcome.hits);
    screen.matched = outcome.matched;
}

void drop_last_character(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
        text.pop_back();
    }
    if (!text.empty()) {
        text.pop_back();
    }
}

}  // namespace

int run_ui(const UiOptions& options) {
    IndexFileInfo info;
    Store store = Store::open(options.file, 0, info);
    RawTerminal terminal;
    KeyReader keys;
    Screen screen;
    for (;;) {
        terminal.write(draw(screen, terminal.rows(), terminal.columns()));
        const Key key = keys.next();
        switch (key.kind) {
            case KeyKind::quit:
                return kExitFailure;
            case KeyKind::enter:
                if (!screen.entries.empty()) {
                    const CopiedEntry& chosen = screen.entries[screen.selected];
                    terminal.restore();
                    std::printf("%s\n", utf16_to_utf8(full_path(chosen.dir, chosen.name)).c_str());
                    return 0;
                }
                continue;
            case KeyKind::up:
                if (screen.selected > 0) {
                    --screen.selected;
                }
                continue;
            case KeyKind::down:
                if (screen.selected + 1 < screen.entries.size()) {
                    ++screen.selected;
                }
                continue;
            case KeyKind::text:
                screen.query += key.text;
                break;
            case KeyKind::backspace:
                drop_last_character(screen.query);
                break;
            case KeyKind::clear:
                screen.query.clear();
                break;
            case KeyKind::none:
                continue;
        }
        search(store, screen, terminal.rows());
    }
}

}  // namespace qsearch
