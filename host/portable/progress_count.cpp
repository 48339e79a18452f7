#include "progress_count.h"

#include <algorithm>

namespace veska::host::portable {

ProgressCount::ProgressCount(std::vector<bool> planned, bool link)
    : planned_(std::move(planned)), link_(link),
      total_(static_cast<size_t>(std::count(planned_.begin(), planned_.end(), true)) + (link ? 1 : 0)) {}

size_t ProgressCount::planned_after(size_t source) const {
    if (source + 1 >= planned_.size())
        return 0;
    return static_cast<size_t>(
        std::count(planned_.begin() + static_cast<std::ptrdiff_t>(source) + 1, planned_.end(), true));
}

std::pair<size_t, size_t> ProgressCount::start(std::optional<size_t> source, bool isLink) {
    ++started_;
    // Sources are visited in order: one seen before is a repeat the plan
    // cannot place.
    if (source && *source < planned_.size() && (!lastSource_ || *source > *lastSource_)) {
        lastSource_ = source;
        total_ = started_ + planned_after(*source) + (link_ ? 1 : 0);
    } else if (isLink) {
        total_ = started_;
    } else {
        total_ = std::max(total_, started_);
    }
    return {started_, total_};
}

} // namespace veska::host::portable
