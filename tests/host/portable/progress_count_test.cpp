// The progress count: what ran so far against what the command will run.
#include "progress_count.h"

#include <gtest/gtest.h>

namespace veska::host::portable {
namespace {

TEST(ProgressCount, CountsThePlanAndCorrectsItAsRunsStart) {
    struct Run {
        std::optional<size_t> source;
        bool isLink;
        size_t k, n;
    };
    struct Case {
        const char* name;
        std::vector<bool> planned;
        bool link;
        std::vector<Run> runs;
    };
    const Case cases[] = {
        {"Build All: every source, then the link",
         {true, true, true},
         true,
         {{0, false, 1, 4}, {1, false, 2, 4}, {2, false, 3, 4}, {std::nullopt, true, 4, 4}}},
        {"Make as planned: one source out of date",
         {false, true, false},
         true,
         {{1, false, 1, 2}, {std::nullopt, true, 2, 2}}},
        {"Make that finds an unplanned source out of date counts it in",
         {false, true, false},
         true,
         {{1, false, 1, 2}, {2, false, 2, 3}, {std::nullopt, true, 3, 3}}},
        {"Make that skips a planned source: the link shows the true total",
         {true, true},
         true,
         {{1, false, 1, 2}, {std::nullopt, true, 2, 2}}},
        {"Compile of two files, the second named twice",
         {true, true},
         false,
         {{0, false, 1, 2}, {1, false, 2, 2}, {1, false, 3, 3}}},
        {"A run the plan cannot place keeps the total up to the runs",
         {true},
         false,
         {{std::nullopt, false, 1, 1}, {std::nullopt, false, 2, 2}}},
        {"Nothing planned", {}, false, {{5, false, 1, 1}}},
    };
    for (const Case& c : cases) {
        ProgressCount count(c.planned, c.link);
        for (size_t i = 0; i < c.runs.size(); ++i) {
            const Run& run = c.runs[i];
            EXPECT_EQ(std::make_pair(run.k, run.n), count.start(run.source, run.isLink))
                << c.name << ", run " << i;
        }
    }
}

} // namespace
} // namespace veska::host::portable
