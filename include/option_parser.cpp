#include "option_parser.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Length of the string at `s`, looking at no more than `limit` chars.
std::size_t BoundedLength(const char* s, std::size_t limit) {
    const void* nul = std::memchr(s, '\0', limit);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - s) : limit;
}

// A pattern added by CTRL string alone: its Parse is the base one, which
// takes nothing its CTRL string's required prefix does not admit.
class CtrlPattern final : public OptionPattern {
public:
    using OptionPattern::OptionPattern;
    const PatternEngine::RequiredPrefix* ParsePrefix() const override { return &CtrlPrefix(); }
};

// The positions of the words whose first two characters are one of the
// prefix's starts, in line order: a merge of the runs of the sorted word
// starts, one run per start.
class CandidateWords {
public:
    CandidateWords(const std::vector<std::uint32_t>& word_starts, const PatternEngine::RequiredPrefix& prefix)
        : runs_(prefix.StartCount()) {
        for (int i = 0; i < runs_; ++i) {
            const std::uint32_t key = static_cast<std::uint32_t>(prefix.Start(i)) << 16;
            const std::uint32_t* all = word_starts.data();
            const std::uint32_t* all_end = all + word_starts.size();
            next_[i] = std::lower_bound(all, all_end, key);
            end_[i] = std::lower_bound(next_[i], all_end, key + 0x10000);
        }
    }
    // The first candidate at or after `from`, or `none`.
    std::size_t First(std::size_t from, std::size_t none) {
        std::size_t first = none;
        for (int i = 0; i < runs_; ++i) {
            while (next_[i] != end_[i] && (*next_[i] & 0xFFFF) < from)
                ++next_[i];
            if (next_[i] != end_[i])
                first = std::min(first, static_cast<std::size_t>(*next_[i] & 0xFFFF));
        }
        return first;
    }

private:
    int runs_;
    const std::uint32_t* next_[PatternEngine::RequiredPrefix::kMaxStarts] = {};
    const std::uint32_t* end_[PatternEngine::RequiredPrefix::kMaxStarts] = {};
};

} // namespace

// ---------------------------------------------------------------------------
// OptionPattern

OptionPattern::OptionPattern(OptionParser* owner, const char* ctrl) : owner_(owner) {
    SetCtrl(ctrl);
}

OptionPattern::OptionPattern(OptionParser* owner, const char* ctrl, std::unique_ptr<OptionBinding> binding)
    : owner_(owner) {
    SetCtrl(ctrl);
    AddBinding(std::move(binding));
}

void OptionPattern::SetOwner(OptionParser* owner) {
    owner_ = owner;
    if (owner_ == nullptr)
        return;
    for (std::unique_ptr<OptionBinding>& binding : unadopted_)
        owner_->AdoptBinding(std::move(binding));
    unadopted_.clear();
}

void OptionPattern::SetCtrl(const char* ctrl) {
    has_ctrl_ = ctrl != nullptr;
    ctrl_ = has_ctrl_ ? ctrl : "";
    prefix_ = PatternEngine::RequiredPrefixOf(Ctrl());
}

OptionBinding* OptionPattern::AddBinding(std::unique_ptr<OptionBinding> binding) {
    OptionBinding* raw = binding.get();
    if (raw == nullptr)
        return nullptr;
    bindings_.push_back(raw);
    if (owner_ != nullptr) {
        owner_->AdoptBinding(std::move(binding));
    } else {
        unadopted_.push_back(std::move(binding));
    }
    return raw;
}

int OptionPattern::Parse(OptionParser& engine, const char* text) {
    if (bindings_.empty() || text == nullptr || !prefix_.Admits(text))
        return 0;
    engine.Reset();
    engine.SetCtrl(Ctrl());
    engine.SetText(text);
    engine.SetFlag(bindings_.front()->flag);
    engine.SetValues(bindings_.front()->values);
    return engine.Match() == PatternEngine::kOk ? engine.Position() : 0;
}

int OptionPattern::Generate(OptionParser& engine, char* out, std::size_t capacity) {
    if (bindings_.empty() || out == nullptr || capacity == 0)
        return 0;
    const OptionBinding& binding = *bindings_.front();
    engine.Reset();
    engine.SetCtrl(Ctrl());
    engine.SetText(out, capacity);
    engine.SetFlag(binding.flag);
    engine.SetValues(binding.values);

    if (binding.values == nullptr) {
        const int result = engine.Generate();
        if (result == PatternEngine::kOk)
            return engine.Position();
        if (result == PatternEngine::kTruncated) {
            out[0] = '\0'; // left out whole
            engine.NoteTruncation();
        }
        return 0;
    }

    int count = 0;
    for (std::size_t i = 0, n = binding.values->size(); i < n; ++i) {
        const std::size_t copy_start = BoundedLength(out, capacity - 1);
        std::size_t used = copy_start;
        if (used > 0) {
            if (used + 2 > capacity) { // no room for the blank and its terminator
                engine.NoteTruncation();
                break;
            }
            out[used] = ' ';
            out[used + 1] = '\0';
            ++used;
            ++count;
        }
        engine.SetText(out + used, capacity - used);
        const int result = engine.Generate();
        if (result == PatternEngine::kTruncated) {
            // Remove the partial copy together with its blank.
            out[copy_start] = '\0';
            if (used > copy_start)
                --count;
            engine.NoteTruncation();
            break;
        }
        if (result != PatternEngine::kOk)
            break;
        count += engine.Position();
    }
    return count;
}

// ---------------------------------------------------------------------------
// OptionParser

OptionParser::~OptionParser() {
    // Patterns first: an override may still look at its bindings.
    patterns_.clear();
    bindings_.clear();
}

void OptionParser::SetLineBuffer(char* line, std::size_t capacity) {
    line_ = line;
    line_capacity_ = line ? std::min(capacity, kLineSize) : 0;
}

OptionPattern* OptionParser::AddPattern(std::unique_ptr<OptionPattern> pattern) {
    OptionPattern* raw = pattern.get();
    if (raw == nullptr)
        return nullptr;
    raw->SetOwner(this);
    patterns_.push_back(std::move(pattern));
    return raw;
}

OptionPattern* OptionParser::AddPattern(const char* ctrl, bool* flag, ValueList* values) {
    return AddPattern(
        std::make_unique<CtrlPattern>(this, ctrl, std::make_unique<OptionBinding>(flag, values)));
}

void OptionParser::AdoptBinding(std::unique_ptr<OptionBinding> binding) {
    if (binding == nullptr)
        return;
    for (const std::unique_ptr<OptionBinding>& owned : bindings_) {
        if (owned.get() == binding.get()) {
            binding.release(); // already ours: keep a single owner
            return;
        }
    }
    bindings_.push_back(std::move(binding));
}

int OptionParser::ParseLine() {
    if (line_ == nullptr || line_capacity_ == 0)
        return 0;
    // Work on a terminated copy: the patterns read up to a NUL, and the page's
    // buffer is only trusted up to its capacity.
    parse_copy_.assign(line_, BoundedLength(line_, line_capacity_));
    const char* text = parse_copy_.c_str();
    const std::size_t length = parse_copy_.size();

    // Every pattern walks the same words: find, once, where each run of
    // blanks and each word ends, and sort the words by how they start.
    static_assert(kLineSize <= 0x10000, "a word's position fits in the low 16 bits of its start");
    if (next_word_.size() < length + 1) { // only ever grows: no refill per line
        next_word_.resize(length + 1);
        word_end_.resize(length + 1);
    }
    word_starts_.clear();
    next_word_[length] = word_end_[length] = length;
    for (std::size_t i = length; i-- > 0;) {
        const bool blank = IsBlank(text[i]);
        next_word_[i] = blank ? next_word_[i + 1] : i;
        word_end_[i] = blank ? i : word_end_[i + 1];
        if (!blank && (i == 0 || IsBlank(text[i - 1]))) {
            const std::uint32_t start = static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << 8 |
                                        static_cast<unsigned char>(text[i + 1]);
            word_starts_.push_back(start << 16 | static_cast<std::uint32_t>(i));
        }
    }
    std::sort(word_starts_.begin(), word_starts_.end());

    // A word the pattern's required prefix turns away is passed over as if
    // Parse had not taken it.
    for (const std::unique_ptr<OptionPattern>& pattern : patterns_) {
        const PatternEngine::RequiredPrefix* prefix = pattern->ParsePrefix();
        if (prefix != nullptr && prefix->StartCount() > 0) {
            CandidateWords candidates(word_starts_, *prefix);
            std::size_t pos = candidates.First(0, length);
            while (pos < length) {
                const int taken = prefix->Admits(text + pos) ? pattern->Parse(*this, text + pos) : 0;
                if (taken > 0) {
                    pos = next_word_[pos + std::min(static_cast<std::size_t>(taken), length - pos)];
                } else {
                    pos = candidates.First(word_end_[pos], length);
                }
            }
            continue;
        }
        std::size_t pos = next_word_[0];
        while (pos < length) {
            const int taken =
                prefix == nullptr || prefix->Admits(text + pos) ? pattern->Parse(*this, text + pos) : 0;
            if (taken > 0) {
                pos += std::min(static_cast<std::size_t>(taken), length - pos);
            } else {
                pos = word_end_[pos];
            }
            pos = next_word_[pos];
        }
    }
    return 0;
}

int OptionParser::GenerateLine() {
    truncated_ = false;
    if (line_ == nullptr || line_capacity_ == 0)
        return 0;
    line_[0] = '\0';
    std::size_t line_length = 0; // characters in the line
    int length = 0;              // sum of what the patterns reported
    char scratch[kScratchSize];

    for (const std::unique_ptr<OptionPattern>& pattern : patterns_) {
        scratch[0] = '\0';
        const int count = pattern->Generate(*this, scratch, kScratchSize);
        if (count <= 0)
            continue;
        const std::size_t text_length = BoundedLength(scratch, kScratchSize - 1);
        const std::size_t separator = length > 0 ? 1 : 0;
        if (line_length + separator + text_length > line_capacity_ - 1) {
            truncated_ = true; // left out whole
            continue;
        }
        if (separator)
            line_[line_length++] = ' ';
        std::memcpy(line_ + line_length, scratch, text_length);
        line_length += text_length;
        line_[line_length] = '\0';
        length += static_cast<int>(separator) + count;
    }
    return truncated_ ? kTruncated : 0;
}
