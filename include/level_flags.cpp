#include "level_flags.h"

namespace suite {

void LevelFlags::Clear() {
    for (bool& flag : flags_)
        flag = false;
}

bool* LevelFlags::Flag(int level) {
    if (level < kLowest || level > kHighest || level == 0)
        return nullptr;
    return &flags_[level < 0 ? level - kLowest : level - kLowest - 1];
}

bool LevelFlags::IsSet(int level) const {
    const bool* flag = const_cast<LevelFlags*>(this)->Flag(level);
    return flag && *flag;
}

int LevelFlags::ShownItem() const {
    int item = kNoLevelItem;
    for (int level = kLowest; level <= kHighest; ++level)
        if (IsSet(level))
            item = level - kLowest;
    return item;
}

void LevelFlags::SetFromItem(int item) {
    Clear();
    if (bool* flag = Flag(item + kLowest))
        *flag = true;
}

void LevelFlags::AddPatterns(OptionParser& parser, const char* prefix) {
    for (int level = kLowest; level <= kHighest; ++level)
        if (bool* flag = Flag(level))
            parser.AddPattern(("%n(" + std::string(prefix) + std::to_string(level) + ")($| )").c_str(), flag);
}

std::string LevelFlags::ItemText(int item) {
    return std::to_string(item + kLowest);
}

} // namespace suite
