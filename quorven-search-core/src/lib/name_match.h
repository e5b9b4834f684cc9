// Scoring one entry name against a query: exact, prefix or contains, case-insensitively.
//
// Every score comes from comparing runs of exactly the query's length with units_equal_ci, so
// the score is decided by the first start position whose run equals the query: position 0 of
// a name as long as the query is exact, position 0 of a longer name is a prefix, any later
// position is a contained match. Eight start positions are tested at once: gates on the run's
// first and last units reject positions whose run cannot be equal, and only the survivors are
// compared in full, through the gates of the other units where those decide alone (a short
// query of single-unit code points), else through units_equal_ci.
#pragma once

#include "lib/bmp_uppers.h"
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

    bool admits(qv::u16 unit) const {
        return static_cast<qv::u16>(unit | fold) == want || unit == extra[0] || unit == extra[1];
    }

    // The gate of an ASCII query unit.
    static unit_gate for_ascii(qv::u16 query_unit) {
        qv::u16 lower = static_cast<qv::u16>(query_unit | 0x20);
        bool letter = lower >= 0x61 && lower <= 0x7A;
        auto fold = static_cast<qv::u16>(letter ? 0x20 : 0);
        auto want = static_cast<qv::u16>(query_unit | fold);
        return {fold, want, {want, want}, true};
    }

    // The gates of `count` query units, with one pass over the BMP for all the non-ASCII ones
    // when `find_partners` is set; without it their gates admit every unit.
    static void build(const qv::u16* units, qv::u32 count, bool find_partners, unit_gate* gates) {
        partner_count partners[max_gated];
        bool any_partners = false;
        const qv::u16* uppers = nullptr;
        for (qv::u32 i = 0; i < count; ++i) {
            qv::u16 unit = units[i];
            gates[i] = unit < 0x80 ? for_ascii(unit) : unit_gate{};
            partners[i].target = 0;
            if (find_partners && unit >= 0x80 && (unit < 0xD800 || unit > 0xDFFF)) {
                if (!any_partners) {
                    uppers = bmp_uppers();
                }
                partners[i] = {one_unit_upper(unit, uppers), 0, 0};
                gates[i].fold = 0;
                any_partners = true;
            }
        }
        for (qv::u32 v = 0x80; any_partners && v <= 0xFFFF; ++v) {
            if (v == 0xD800) {
                v = 0xDFFF;
                continue;
            }
            const qv::u32 upper = one_unit_upper(v, uppers);
            for (qv::u32 i = 0; i < count; ++i) {
                if (partners[i].target == upper && v != units[i]) {
                    gates[i].add_partner(static_cast<qv::u16>(v), units[i], partners[i]);
                }
            }
        }
        for (qv::u32 i = 0; i < count; ++i) {
            if (partners[i].target != 0) {
                gates[i].finish(units[i], partners[i]);
            }
        }
    }

    static constexpr qv::u32 max_gated = 17;

  private:
    struct partner_count {
        qv::u32 target;  // the upper-case mapping partners share; 0 for no partner search
        qv::u16 differ;  // every bit in which a partner differs from the query unit
        qv::u32 others;  // partners not one bit away, or the second such
    };

    void add_partner(qv::u16 partner, qv::u16 query_unit, partner_count& count) {
        auto bits = static_cast<qv::u16>(partner ^ query_unit);
        count.differ = static_cast<qv::u16>(count.differ | bits);
        if (fold == 0 && (bits & (bits - 1)) == 0) {
            fold = bits;  // the partner one bit away
        } else {
            if (count.others < max_extra) {
                extra[count.others] = partner;
            }
            ++count.others;
        }
    }

    void finish(qv::u16 query_unit, const partner_count& count) {
        exact = count.others <= max_extra;
        if (!exact) {
            fold = count.differ;
        }
        want = static_cast<qv::u16>(query_unit | fold);
        for (qv::u32 i = exact ? count.others : 0; i < max_extra; ++i) {
            extra[i] = want;
        }
    }

    // What units_equal_ci compares two different non-ASCII one-unit code points by: ICU's
    // upper-case mapping where it keeps the width of one unit, else the unit itself. Asked
    // once per unit value, so all the gates of a query cost one pass over the BMP: through the
    // process's table (bmp_uppers) once it is built, else of ICU itself.
    static qv::u32 one_unit_upper(qv::u32 unit, const qv::u16* uppers) {
        if (uppers != nullptr) {
            return uppers[unit];
        }
        qv::u32 mapped = upper_case_of(unit);
        return mapped < 0x10000 ? mapped : unit;
    }
};

class name_matcher {
  public:
    // `query` must stay valid and non-empty while the matcher is used. Gates stand on the
    // query's first sixteen units and on its last one; the first and the last filter eight
    // start positions at a time. When gates stand on every unit and all are exact, they alone
    // decide whether a run equals the query. Finding the case partners of non-ASCII units costs
    // a pass over the BMP, which pays only when many names are to be scanned.
    name_matcher(utf16_span query, bool find_partners) : query_(query), span_(query.length - 1) {
        qv::u16 units[unit_gate::max_gated];
        qv::u32 count = 0;
        for (; count + 1 < unit_gate::max_gated && count < query.length; ++count) {
            units[count] = query.units[count];
        }
        gated_ = count;
        units[count++] = query.units[span_];
        unit_gate::build(units, count, find_partners, gates_);
        last_ = gates_[count - 1];
        exact_ = gated_ == query.length;
        for (qv::u32 i = 0; i < gated_; ++i) {
            exact_ = exact_ && gates_[i].exact;
        }
        ascii_ = true;
        for (qv::u32 i = 0; i < query.length; ++i) {
            ascii_ = ascii_ && query.units[i] < 0x80;
        }
    }

    // 100, 80 or 50; 0 when the name does not match. The units from `name` up to
    // `readable_end` may be read (at least the name's own); reading on past the name into the
    // rest of its pool lets the last start positions be tested eight at a time too.
    qv::u32 score(const qv::u16* name, qv::u32 length, const qv::u16* readable_end) const {
        if (length < query_.length) {
            return 0;
        }
        // Most gates have no partner beyond their fold (every ASCII one, most letters).
        if (gates_[0].extra[0] == gates_[0].want && last_.extra[0] == last_.want) {
            return scan<false>(name, length, readable_end);
        }
        return scan<true>(name, length, readable_end);
    }

  private:
    // A gate spread over the lanes, made once per name so that it stays in registers.
    struct gate_vectors {
        explicit gate_vectors(const unit_gate& gate)
            : fold(splat_unit(gate.fold)),
              want(splat_unit(gate.want)),
              extra0(splat_unit(gate.extra[0])),
              extra1(splat_unit(gate.extra[1])) {}

        template <bool Extras>
        unit_vector admits(unit_vector units) const {
            unit_vector hit = equal_units(or_units(units, fold), want);
            if constexpr (Extras) {
                hit = or_units(hit, equal_units(units, extra0));
                hit = or_units(hit, equal_units(units, extra1));
            }
            return hit;
        }

        unit_vector fold, want, extra0, extra1;
    };

    template <bool Extras>
    qv::u32 scan(const qv::u16* name, qv::u32 length, const qv::u16* readable_end) const {
        const qv::u32 positions = length - span_;
        const auto readable = static_cast<qv::usize>(readable_end - name);
        const gate_vectors first_gate(gates_[0]);
        const gate_vectors last_gate(last_);
        qv::u32 p = 0;
        for (; p < positions && p + span_ + unit_vector_lanes <= readable; p += unit_vector_lanes) {
            unit_vector first = first_gate.admits<Extras>(load_units(name + p));
            unit_vector last = last_gate.admits<Extras>(load_units(name + p + span_));
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
            if (gates_[0].admits(name[p]) && last_.admits(name[p + span_]) && equal_at(name + p)) {
                return score_at(p, length);
            }
        }
        return 0;
    }

    // Whether a run whose first and last units passed their gates equals the query.
    bool equal_at(const qv::u16* run) const {
        if (exact_) {
            for (qv::u32 i = 1; i < span_; ++i) {
                if (!gates_[i].admits(run[i])) {
                    return false;
                }
            }
            return true;
        }
        if (ascii_) {
            // Every ASCII gate is exact: the units past the gated ones are checked the same way.
            for (qv::u32 i = 1; i < span_; ++i) {
                if (!(i < gated_ ? gates_[i] : unit_gate::for_ascii(query_.units[i]))
                         .admits(run[i])) {
                    return false;
                }
            }
            return true;
        }
        return units_equal_ci(run, query_.units, query_.length);
    }

    qv::u32 score_at(qv::u32 position, qv::u32 length) const {
        if (position != 0) {
            return score_contains;
        }
        return length == query_.length ? score_exact : score_prefix;
    }

    utf16_span query_;
    qv::u32 span_;   // offset of the query's last unit
    qv::u32 gated_;  // query units from the first on that have a gate in gates_
    unit_gate gates_[unit_gate::max_gated];
    unit_gate last_;  // the gate of the last unit
    bool exact_;      // the gates cover every unit and admit only equal units
    bool ascii_;      // every query unit is ASCII
};

}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
}  // namespace quorven::search_core
