#include "nearest_name.h"

#include <algorithm>
#include <cwctype>

namespace veska::host::cli {

size_t edit_distance(const std::wstring& a, const std::wstring& b) {
    // Optimal string alignment over three rows of the table.
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::towlower(a[i - 1]) == std::towlower(b[j - 1]);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && std::towlower(a[i - 1]) == std::towlower(b[j - 2]) &&
                std::towlower(a[i - 2]) == std::towlower(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

std::optional<std::wstring> nearest_name(const std::wstring& word, const std::vector<std::wstring>& names,
                                         bool anyDistance) {
    const size_t slip = std::max<size_t>(2, word.size() / 3);
    std::optional<std::wstring> best;
    size_t bestDistance = 0;
    for (const std::wstring& name : names) {
        const size_t distance = edit_distance(word, name);
        if ((anyDistance || distance <= slip) && (!best || distance < bestDistance)) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace veska::host::cli
