// Scoring one entry name against a query: exact, prefix or contains, case-insensitively.
//
// Every score comes from comparing runs of exactly the query's length with units_equal_ci, so
// the score is decided by the first start position whose run equals the query: position 0 of
// a name as long as the query is exact, position 0 of a longer name is a prefix, any later
// position is a contained match. Before the full comparison each start position passes cheap
// gates on the run's first and last units, which reject only runs that cannot be equal.
#pragma once

#include "lib/text.h"
#include "qv/types.h"

namespace quorven::search_core {

inline constexpr qv::u32 score_exact = 100;
inline constexpr qv::u32 score_prefix = 80;
inline constexpr qv::u32 score_contains = 50;

// The code units that are equal, as one-unit code points, to one non-ASCII unit of a query:
// a bit per BMP unit, worked out 256 units at a time when a name first shows a unit of that
// block, so that a query over non-Latin names asks ICU about each unit value once at most
// instead of at every start position.
class unit_fold_set {
  public:
    explicit unit_fold_set(qv::u16 query_unit) : query_unit_(query_unit) {}

    bool contains(qv::u16 unit) {
        qv::u32 block = unit >> 8;
        if ((filled_[block >> 6] >> (block & 63) & 1) == 0) {
            fill(block);
        }
        return (bits_[unit >> 6] >> (unit & 63) & 1) != 0;
    }

  private:
    void fill(qv::u32 block) {
        for (qv::u32 word = block * 4; word < block * 4 + 4; ++word) {
            qv::u64 bits = 0;
            for (qv::u32 bit = 0; bit < 64; ++bit) {
                auto unit = static_cast<qv::u16>(word * 64 + bit);
                if (units_equal_ci(&unit, &query_unit_, 1)) {
                    bits |= qv::u64{1} << bit;
                }
            }
            bits_[word] = bits;
        }
        filled_[block >> 6] |= qv::u64{1} << (block & 63);
    }

    qv::u16 query_unit_;
    qv::u64 filled_[4] = {};  // a bit per block of 256 units
    qv::u64 bits_[1024];      // valid only in filled blocks
};

class name_matcher {
  public:
    // `query` must stay valid and non-empty while the matcher is used. `fold_set`, optional,
    // must be built for the query's first unit when that unit is non-ASCII and not the high
    // half of a pair; it only speeds the scan up.
    name_matcher(utf16_span query, unit_fold_set* fold_set)
        : query_(query),
          first_(gate_for(query.units[0])),
          last_(gate_for(query.units[query.length - 1])),
          fold_set_(fold_set) {}

    // Whether the query's first unit is one a unit_fold_set can stand for.
    static bool takes_fold_set(utf16_span query) {
        qv::u16 first = query.units[0];
        bool pair = first >= 0xD800 && first <= 0xDBFF && query.length > 1 &&
                    query.units[1] >= 0xDC00 && query.units[1] <= 0xDFFF;
        return first >= 0x80 && !pair;
    }

    // 100, 80 or 50; 0 when the name does not match.
    qv::u32 score(const qv::u16* name, qv::u32 length) const {
        if (length < query_.length) {
            return 0;
        }
        auto last_admits = [this](qv::u16 unit) { return last_.admits(unit); };
        if (first_.ascii && last_.ascii) {
            auto ascii_gate = [](const unit_gate& gate) {
                return [gate](qv::u16 unit) {
                    return static_cast<qv::u16>(unit | gate.fold) == gate.want;
                };
            };
            return scan(name, length, ascii_gate(first_), ascii_gate(last_));
        }
        if (fold_set_ != nullptr) {
            auto in_fold_set = [this](qv::u16 unit) { return fold_set_->contains(unit); };
            return scan(name, length, in_fold_set, last_admits);
        }
        auto first_admits = [this](qv::u16 unit) { return first_.admits(unit); };
        return scan(name, length, first_admits, last_admits);
    }

  private:
    // A necessary condition on one unit of a run, from the query unit at the same position.
    // An ASCII query unit is one code point of width 1, so the run must hold the same letter in
    // either case (bit 5 is the ASCII case bit) or the same non-letter there; a non-ASCII query
    // unit can only be equal to a non-ASCII unit, because ASCII never folds to non-ASCII.
    struct unit_gate {
        bool ascii;
        qv::u16 fold;  // 0x20 for letters, else 0
        qv::u16 want;  // the query unit with `fold` applied

        bool admits(qv::u16 unit) const {
            return ascii ? static_cast<qv::u16>(unit | fold) == want : unit >= 0x80;
        }
    };

    static unit_gate gate_for(qv::u16 unit) {
        if (unit >= 0x80) {
            return {false, 0, 0};
        }
        qv::u16 lower = static_cast<qv::u16>(unit | 0x20);
        bool letter = lower >= 0x61 && lower <= 0x7A;
        qv::u16 fold = letter ? 0x20 : 0;
        return {true, fold, static_cast<qv::u16>(unit | fold)};
    }

    template <typename FirstGate, typename LastGate>
    qv::u32 scan(const qv::u16* name, qv::u32 length, FirstGate first_admits,
                 LastGate last_admits) const {
        const qv::u32 span = query_.length - 1;
        const qv::u32 last_start = length - query_.length;
        for (qv::u32 p = 0; p <= last_start; ++p) {
            if (!first_admits(name[p]) || !last_admits(name[p + span])) {
                continue;
            }
            if (units_equal_ci(name + p, query_.units, query_.length)) {
                if (p != 0) {
                    return score_contains;
                }
                return length == query_.length ? score_exact : score_prefix;
            }
        }
        return 0;
    }

    utf16_span query_;
    unit_gate first_;
    unit_gate last_;
    unit_fold_set* fold_set_;
};

}  // namespace quorven::search_core
