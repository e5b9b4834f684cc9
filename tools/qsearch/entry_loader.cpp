#include "entry_loader.h"

namespace qsearch {
namespace {

constexpr std::size_t kBatchEntries = 65536;
constexpr std::size_t kBatchTextUnits = 8u << 20;

}  // namespace

void EntryLoader::add(std::u16string_view dir, std::u16string_view name, std::uint64_t ticks,
                      bool is_folder) {
    if (records_.size() == kBatchEntries ||
        text_.size() + dir.size() + name.size() > kBatchTextUnits) {
        finish();
    }
    if (!has_last_dir_ ||
        std::u16string_view(text_).substr(last_dir_offset_, last_dir_length_) != dir) {
        last_dir_offset_ = static_cast<std::uint32_t>(text_.size());
        last_dir_length_ = static_cast<std::uint32_t>(dir.size());
        has_last_dir_ = true;
        text_ += dir;
    }
    quorven_search_core_entry_input_v1 record{};
    record.dir_offset = last_dir_offset_;
    record.dir_length = last_dir_length_;
    record.name_offset = static_cast<std::uint32_t>(text_.size());
    record.name_length = static_cast<std::uint32_t>(name.size());
    record.timestamp = ticks;
    record.is_folder = is_folder ? 1 : 0;
    records_.push_back(record);
    text_ += name;
}

void EntryLoader::finish() {
    if (!records_.empty()) {
        store_.add_batch(records_, text_);
    }
    records_.clear();
    text_.clear();
    has_last_dir_ = false;
}

}  // namespace qsearch
