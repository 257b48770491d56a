#pragma once

namespace mission
{

// A check box Value as the character sheet holds it: 0 unchecked, 1 checked, 2 greyed.
using CheckValue = int;

inline constexpr CheckValue kUnchecked = 0;
inline constexpr CheckValue kChecked = 1;
inline constexpr CheckValue kGreyed = 2;

// A box counts as set only when it is checked; a greyed box is never set.
[[nodiscard]] constexpr bool isSet(CheckValue v)
{
    return v == kChecked;
}
// The one box read the other way round ("Invincible") counts as clear only when unchecked.
[[nodiscard]] constexpr bool isClear(CheckValue v)
{
    return v == kUnchecked;
}

// The Values of the twelve check boxes of the character sheet that the fragment writers read,
// named after the boxes. The defaults are the sheet's state when it opens.
struct SheetValues {
    CheckValue visibility = kChecked;
    CheckValue health = kUnchecked;
    CheckValue ck_knife = kChecked;
    CheckValue ck_aid = kUnchecked;
    CheckValue ck_gun = kChecked;
    CheckValue ck_rifle = kUnchecked;
    CheckValue ck_sniper = kUnchecked;
    CheckValue ck_stones = kChecked;
    CheckValue ck_mgun = kUnchecked;
    CheckValue ck_decoy = kChecked;
    CheckValue ck_cuffs = kChecked;
    CheckValue ck_lethal = kUnchecked;

    // Every box at the same Value.
    [[nodiscard]] static constexpr SheetValues all(CheckValue v)
    {
        return {v, v, v, v, v, v, v, v, v, v, v, v};
    }
};

} // namespace mission
