// Scoring one entry name against a query: exact, prefix or contains, case-insensitively.
//
// Every score comes from comparing runs of exactly the query's length with units_equal_ci, so
// the score is decided by the first start position whose run equals the query: position 0 of
// a name as long as the query is exact, position 0 of a longer name is a prefix, any later
// position is a contained match. Eight start positions are tested at once: gates on the run's
// first and last units reject positions whose run cannot be equal, and only the survivors are
// compared in full. For a query of one or two single-unit code points the gates are exact and
// no comparison is needed at all.
#pragma once

#include "lib/text.h"
#include "lib/unit_vector.h"
#include "platform/icu/icu_case.h"
#include "qv/types.h"

namespace quorven::search_core {

inline constexpr qv::u32 score_exact = 100;
inline constexpr qv::u32 score_prefix = 80;
inline constexpr qv::u32 score_contains = 50;

inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {

// The units a run may hold at one offset, from the query unit at that offset: those that give
// `want` once the bits of `fold` are set, and up to two more. An ASCII query unit is one code
// point of width 1, so the run must hold the same letter in either case (bit 5 is the ASCII case
// bit) or the same non-letter. A non-ASCII unit outside the surrogates is equal to a few units
// only, its case partners, found once per query: most scripts pair a letter with one other that
// differs in a single bit, and a few add a partner or two from elsewhere (the Greek final sigma,
// old Cyrillic forms). A surrogate, or a unit with more partners than that, gets a gate that
// admits any unit with the bits they share, and the full comparison decides.
struct unit_gate {
    static constexpr qv::u32 max_extra = 2;

    qv::u16 fold = 0xFFFF;
    qv::u16 want = 0xFFFF;
    qv::u16 extra[max_extra] = {0xFFFF, 0xFFFF};
    bool exact = false;  // admits only the units equal to the query unit

    unit_gate() = default;
    explicit unit_gate(qv::u16 query_unit) {
        if (query_unit < 0x80) {
            qv::u16 lower = static_cast<qv::u16>(query_unit | 0x20);
            bool letter = lower >= 0x61 && lower <= 0x7A;
            fold = letter ? 0x20 : 0;
            want = static_cast<qv::u16>(query_unit | fold);
            extra[0] = extra[1] = want;
            exact = true;
            return;
        }
        if (query_unit >= 0xD800 && query_unit <= 0xDFFF) {
            return;
        }
        fold = 0;
        const qv::u32 target = one_unit_upper(query_unit);
        qv::u16 differ = 0;
        qv::u32 others = 0;
        qv::u16 partners[max_extra + 2];
        for (qv::u32 v = 0x80; v <= 0xFFFF; ++v) {
            if (v == 0xD800) {
                v = 0xDFFF;
                continue;
            }
            auto unit = static_cast<qv::u16>(v);
            if (unit == query_unit || one_unit_upper(unit) != target) {
                continue;
            }
            differ = static_cast<qv::u16>(differ | (unit ^ query_unit));
            qv::u16 bit = static_cast<qv::u16>(unit ^ query_unit);
            if (fold == 0 && (bit & (bit - 1)) == 0) {
                fold = bit;  // the partner one bit away
            } else if (others < max_extra + 2) {
                partners[others++] = unit;
            } else {
                ++others;
            }
        }
        exact = others <= max_extra;
        if (!exact) {
            fold = differ;
        }
        want = static_cast<qv::u16>(query_unit | fold);
        for (qv::u32 i = 0; i < max_extra; ++i) {
            extra[i] = exact && i < others ? partners[i] : want;
        }
    }

    bool admits(qv::u16 unit) const {
        return static_cast<qv::u16>(unit | fold) == want || unit == extra[0] || unit == extra[1];
    }

  private:
    // What units_equal_ci compares two different non-ASCII one-unit code points by: ICU's
    // upper-case mapping where it keeps the width of one unit, else the unit itself. Asked
    // once per unit value, so a gate costs one pass over the BMP.
    static qv::u32 one_unit_upper(qv::u32 unit) {
        qv::u32 mapped = upper_case_of(unit);
        return mapped < 0x10000 ? mapped : unit;
    }
};

class name_matcher {
  public:
    // `query` must stay valid and non-empty while the matcher is used. Gates stand on its
    // first and last units; for a query of one or two units whose gates are exact they decide
    // alone.
    explicit name_matcher(utf16_span query)
        : query_(query),
          span_(query.length - 1),
          first_(query.units[0]),
          last_(span_ == 0 ? first_ : unit_gate(query.units[span_])),
          gates_decide_(query.length <= 2 && first_.exact && last_.exact) {}

    // 100, 80 or 50; 0 when the name does not match. The units from `name` up to
    // `readable_end` may be read (at least the name's own); reading on past the name into the
    // rest of its pool lets the last start positions be tested eight at a time too.
    qv::u32 score(const qv::u16* name, qv::u32 length, const qv::u16* readable_end) const {
        if (length < query_.length) {
            return 0;
        }
        const qv::u32 positions = length - span_;
        const auto readable = static_cast<qv::usize>(readable_end - name);
        const gate_vectors first_gate(first_);
        const gate_vectors last_gate(last_);
        qv::u32 p = 0;
        for (; p < positions && p + span_ + unit_vector_lanes <= readable; p += unit_vector_lanes) {
            unit_vector first = first_gate.admits(load_units(name + p));
            unit_vector last = last_gate.admits(load_units(name + p + span_));
            qv::u32 bits = lane_bits(and_units(first, last));
            qv::u32 left = positions - p;
            if (left < unit_vector_lanes) {
                bits &= (1u << left) - 1;
            }
            for (; bits != 0; bits &= bits - 1) {
                qv::u32 at = p + static_cast<qv::u32>(__builtin_ctz(bits));
                if (equal_at(name + at)) {
                    return score_at(at, length);
                }
            }
        }
        for (; p < positions; ++p) {
            if (first_.admits(name[p]) && last_.admits(name[p + span_]) && equal_at(name + p)) {
                return score_at(p, length);
            }
        }
        return 0;
    }

  private:
    // A gate spread over the lanes, made once per name so that it stays in registers.
    struct gate_vectors {
        explicit gate_vectors(const unit_gate& gate)
            : fold(splat_unit(gate.fold)),
              want(splat_unit(gate.want)),
              extra0(splat_unit(gate.extra[0])),
              extra1(splat_unit(gate.extra[1])) {}

        unit_vector admits(unit_vector units) const {
            unit_vector hit = equal_units(or_units(units, fold), want);
            hit = or_units(hit, equal_units(units, extra0));
            return or_units(hit, equal_units(units, extra1));
        }

        unit_vector fold, want, extra0, extra1;
    };

    bool equal_at(const qv::u16* run) const {
        return gates_decide_ || units_equal_ci(run, query_.units, query_.length);
    }

    qv::u32 score_at(qv::u32 position, qv::u32 length) const {
        if (position != 0) {
            return score_contains;
        }
        return length == query_.length ? score_exact : score_prefix;
    }

    utf16_span query_;
    qv::u32 span_;  // offset of the query's last unit
    unit_gate first_;
    unit_gate last_;
    bool gates_decide_;
};

}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
}  // namespace quorven::search_core
