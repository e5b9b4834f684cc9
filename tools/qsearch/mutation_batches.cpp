#include "mutation_batches.h"

namespace qsearch {

void BatchWriter::remove(const EntryChange& entry) {
    add_path_record(QUORVEN_SC_MUTATION_REMOVE, entry);
}

void BatchWriter::remove_tree(const EntryChange& entry) {
    add_path_record(QUORVEN_SC_MUTATION_REMOVE_TREE, entry);
}

void BatchWriter::add_path_record(std::uint32_t kind, const EntryChange& entry) {
    make_room();
    quorven_search_core_mutation_v1 record{};
    record.kind = kind;
    const std::u16string path = full_path(entry.dir, entry.name);
    record.path_offset = append(path);
    record.path_length = static_cast<std::uint32_t>(path.size());
    records_.push_back(record);
}

void BatchWriter::upsert(const EntryChange& entry, std::uint32_t generation) {
    make_room();
    quorven_search_core_mutation_v1 record{};
    record.kind = QUORVEN_SC_MUTATION_UPSERT;
    record.is_folder = entry.is_folder ? 1 : 0;
    record.dir_offset = append(entry.dir);
    record.dir_length = static_cast<std::uint32_t>(entry.dir.size());
    record.name_offset = append(entry.name);
    record.name_length = static_cast<std::uint32_t>(entry.name.size());
    record.timestamp = entry.ticks;
    record.time_binary =
        (std::uint64_t{QUORVEN_SC_TIME_KIND_UTC} << QUORVEN_SC_TIME_KIND_SHIFT) | entry.ticks;
    record.generation = generation;
    records_.push_back(record);
}

MutationCounts BatchWriter::finish() {
    flush();
    return counts_;
}

void BatchWriter::make_room() {
    if (records_.size() == QUORVEN_SC_MUTATION_BATCH_MAX) {
        flush();
    }
}

std::uint32_t BatchWriter::append(const std::u16string& units) {
    const auto offset = static_cast<std::uint32_t>(text_.size());
    text_ += units;
    return offset;
}

void BatchWriter::flush() {
    if (!records_.empty()) {
        counts_ = store_.mutate(records_, text_);
        ++batches_;
        records_.clear();
        text_.clear();
    }
}

MutationCounts apply_diff(Store& store, const TreeDiff& diff, std::uint32_t generation) {
    BatchWriter writer(store);
    for (const EntryChange& entry : diff.removed) {
        writer.remove(entry);
    }
    for (const EntryChange& entry : diff.changed) {
        writer.upsert(entry, generation);
    }
    for (const EntryChange& entry : diff.added) {
        writer.upsert(entry, generation);
    }
    return writer.finish();
}

}  // namespace qsearch
