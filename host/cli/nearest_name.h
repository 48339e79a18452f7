// The closest of a set of names to one given by the user, for "did you
// mean ..." hints: commands, options, a [File ...] section's source.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veska::host::cli {

// The number of single-character insertions, deletions, substitutions and
// swaps of neighbours that turn a into b, letters compared without case.
size_t edit_distance(const std::wstring& a, const std::wstring& b);

// The name nearest to word when it is near enough to be a slip (two
// letters, or a third of a longer word), or with anyDistance whatever its
// distance; the first of equally near names wins.
std::optional<std::wstring> nearest_name(const std::wstring& word, const std::vector<std::wstring>& names,
                                         bool anyDistance = false);

} // namespace veska::host::cli
