// The "[k/N]" of a build's progress lines: k the tool runs started so far,
// N what the command is expected to run in all. The expectation is a plan
// per source (in the order the build visits them) and whether a link
// follows; each run corrects it, so that a plan that guessed wrong (a Make
// that found a source out of date after all) still counts up to what ran.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace veska::host::portable {

class ProgressCount {
public:
    ProgressCount(std::vector<bool> planned, bool link);

    // A run starts: of source (its place in the plan), of the link, or of
    // something the plan does not know. Answers k and N.
    std::pair<size_t, size_t> start(std::optional<size_t> source, bool isLink);

private:
    size_t planned_after(size_t source) const;

    std::vector<bool> planned_;
    bool link_;
    size_t started_ = 0;
    size_t total_;
    std::optional<size_t> lastSource_;
};

} // namespace veska::host::portable
