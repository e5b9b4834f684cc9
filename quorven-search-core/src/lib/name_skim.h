// Finding where an ASCII query may start in a whole run of names at once, instead of name by
// name. A query that few names contain then costs one pass over the name units alone; the
// entry records are read only around the places found.
//
// Two of the query's units gate sixteen start positions at a time: the two that are rarest in
// file names by a fixed ranking, so that few positions pass both. Passing the gates is
// necessary for a run to equal the query under units_equal_ci, never sufficient: the caller
// compares the survivors in full (equal_at).
#pragma once

#include "lib/name_match.h"

namespace quorven::search_core {
inline namespace QUORVEN_UNIT_VECTOR_NAMESPACE {

class name_skimmer {
  public:
    // `query` must be non-empty, all ASCII, and stay valid while the skimmer is used.
    explicit name_skimmer(utf16_span query) : query_(query) {
        qv::u32 rarest = 0;
        qv::u32 second = 0;
        for (qv::u32 i = 1; i < query.length; ++i) {
            qv::u32 rank = commonness(query.units[i]);
            if (rank < commonness(query.units[rarest])) {
                second = rarest;
                rarest = i;
            } else if (second == rarest || rank < commonness(query.units[second])) {
                second = i;
            }
        }
        first_at_ = rarest;
        second_at_ = second;
        reach_ = (rarest > second ? rarest : second) + 2 * unit_vector_lanes;
        first_ = unit_gate::for_ascii(query.units[rarest]);
        second_ = unit_gate::for_ascii(query.units[second]);
    }

    // The first start position in [from, to) whose run passes both gates, or `to` if none.
    // Units up to `units + readable` may be read; every run starting before `to` must lie
    // within them.
    qv::usize next(const qv::u16* units, qv::usize from, qv::usize to, qv::usize readable) const {
        const unit_vector first_fold = splat_unit(first_.fold);
        const unit_vector first_want = splat_unit(first_.want);
        const unit_vector second_fold = splat_unit(second_.fold);
        const unit_vector second_want = splat_unit(second_.want);
        auto gated = [&](const qv::u16* at) {
            unit_vector a =
                equal_units(or_units(load_units(at + first_at_), first_fold), first_want);
            unit_vector b =
                equal_units(or_units(load_units(at + second_at_), second_fold), second_want);
            return and_units(a, b);
        };
        qv::usize x = from;
        // Two vectors a step: most steps end at one test of the two masks merged.
        for (; x < to && readable >= reach_ && x <= readable - reach_; x += 2 * unit_vector_lanes) {
            unit_vector low = gated(units + x);
            unit_vector high = gated(units + x + unit_vector_lanes);
            if (lane_bits(or_units(low, high)) == 0) {
                continue;
            }
            qv::u32 bits = lane_bits(low) | lane_bits(high) << unit_vector_lanes;
            qv::usize found = x + static_cast<qv::u32>(__builtin_ctz(bits));
            return found < to ? found : to;
        }
        for (; x < to; ++x) {
            if (first_.admits(units[x + first_at_]) && second_.admits(units[x + second_at_])) {
                return x;
            }
        }
        return to;
    }

    // Whether the run at `run` equals the query: every query unit is ASCII, so a run unit is
    // equal only to the same unit or, for a letter, to its other case.
    bool equal_at(const qv::u16* run) const {
        for (qv::u32 i = 0; i < query_.length; ++i) {
            if (!unit_gate::for_ascii(query_.units[i]).admits(run[i])) {
                return false;
            }
        }
        return true;
    }

  private:
    // How common an ASCII unit is in file names, either case alike: its place from the end of
    // a ranking of letters, digits and punctuation seen in real trees; 0 for units not ranked.
    static qv::u32 commonness(qv::u16 unit) {
        static constexpr char ranked[] = "zq97865j4v3w2kxy1f0-hgb_udmp.clnrstioae";
        // A letter's gate wants its lower case; any other unit's, the unit itself.
        qv::u16 lower = unit_gate::for_ascii(unit).want;
        for (qv::u32 i = 0; ranked[i] != 0; ++i) {
            if (static_cast<qv::u16>(ranked[i]) == lower) {
                return i + 1;
            }
        }
        return 0;
    }

    utf16_span query_;
    qv::u32 first_at_;   // offset of the rarest query unit
    qv::u32 second_at_;  // offset of the next rarest (the same for a one-unit query)
    qv::usize reach_;    // units a two-vector step reads from its start position on
    unit_gate first_;
    unit_gate second_;
};

}  // namespace QUORVEN_UNIT_VECTOR_NAMESPACE
}  // namespace quorven::search_core
