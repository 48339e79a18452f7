// The flags of a level switch and the drop-down list that shows them: the
// option pages' level options (warning level, optimisation level, ...).
#pragma once

#include "option_parser.h"

#include <string>

namespace suite {

// The 20 flags of a level switch, levels -10 to -1 and 1 to 10 (level 0 is
// "no switch"). The pages' drop-down lists show the 21 levels -10 .. 10, item
// index i standing for level i - 10.
class LevelFlags {
public:
    static constexpr int kLowest = -10;
    static constexpr int kHighest = 10;
    static constexpr int kItemCount = kHighest - kLowest + 1;
    static constexpr int kNoLevelItem = -kLowest; // the item "0"

    void Clear();
    bool* Flag(int level); // null for level 0 and outside the range
    bool IsSet(int level) const;
    // The item a list shows: the highest set level's, or "0" when none is set.
    int ShownItem() const;
    // Clears every flag, then sets the level of item (none for "0").
    void SetFromItem(int item);
    // "%n(<prefix><level>)($| )" for level -10 up to 10, 0 left out.
    void AddPatterns(OptionParser& parser, const char* prefix);
    // The text of item i of a level list: "-10" .. "10".
    static std::string ItemText(int item);

private:
    bool flags_[20] = {};
};

} // namespace suite
