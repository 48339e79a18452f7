#include "pattern_engine.h"

#include <algorithm>
#include <cstring>

const char PatternEngine::kErrNoText[] =
    "The client must set a TEXT string prior to performing parsing operations.";
const char PatternEngine::kErrNoCtrl[] =
    "The client must set a CTRL string prior to performing parsing operations.";
const char PatternEngine::kErrInvalidRange[] = "There is an invalid range in a character set.";
const char PatternEngine::kErrMissingBracket[] = "There is a missing closing bracket on a character set.";
const char PatternEngine::kErrExtraParen[] = "There is an extra closing parenthesis.";
const char PatternEngine::kErrMissingParen[] = "There is a missing closing parenthesis.";
const char PatternEngine::kErrEmptyGroup[] = "The sequence \"()\" is invalid in a CTRL string.";
const char PatternEngine::kErrTrailingEscape[] =
    "There is a \"\\\" with nothing to escape at the end of the CTRL string.";
const char PatternEngine::kErrTooDeep[] = "The groups of the CTRL string are nested too deeply.";
const char PatternEngine::kErrTruncated[] = "The generated text does not fit in the TEXT buffer.";

const std::array<unsigned char, 256> PatternEngine::kCharKinds = PatternEngine::MakeCharKinds();

PatternEngine::PatternEngine() {
    error_text_[0] = '\0';
}

void PatternEngine::Reset() {
    error_text_[0] = '\0';
    text_pos_ = 0;
    ctrl_pos_ = 0;
    text_ = nullptr;
    out_ = nullptr;
    out_capacity_ = 0;
    ctrl_ = nullptr;
    flag_ = nullptr;
    values_ = nullptr;
    value_cursor_ = 0;
}

bool PatternEngine::ValuesRemain() const {
    return values_ != nullptr && value_cursor_ < values_->size();
}

int PatternEngine::Fail(int code, const char* message) {
    SetErrorText(message);
    return code;
}

void PatternEngine::SetErrorText(const char* message) {
    std::size_t n = std::strlen(message);
    if (n >= kErrorTextSize)
        n = kErrorTextSize - 1;
    std::memcpy(error_text_, message, n);
    error_text_[n] = '\0';
    last_error_ = message;
}

// ---------------------------------------------------------------------------
// Scanning rules

// Extent of a group, a set or an escape.
int PatternEngine::LongAtomExtentEnd(const char* ctrl, int pos) {
    const auto At = [ctrl](int i) { return ctrl[i]; };
    const char c = At(pos);
    if (c == '\0')
        return pos;
    if (c == '\\')
        return At(pos + 1) == '\0' ? pos + 1 : pos + 2;
    if (c == '[') {
        int i = pos + 1;
        if (At(i) == '\0')
            return i;
        ++i; // the first character is a member whatever it is
        while (At(i) != '\0' && At(i) != ']')
            ++i;
        return At(i) == ']' ? i + 1 : i;
    }
    if (c != '(')
        return pos + 1;

    int open = 0;
    int i = pos;
    for (;;) {
        const char d = At(i);
        if (d == '\0')
            return i;
        if (d == '\\') {
            i += At(i + 1) == '\0' ? 1 : 2;
            continue;
        }
        if (d == '[') {
            ++i;
            if (At(i) == '\0')
                return i;
            ++i;
            while (At(i) != '\0' && At(i) != ']')
                ++i;
            if (At(i) == '\0')
                return i;
            ++i;
            continue;
        }
        if (d == '(')
            ++open;
        if (d == ')')
            --open;
        ++i;
        if (open == 0)
            return i;
    }
}

void PatternEngine::SkipAtom() {
    ctrl_pos_ = AtomExtentEnd(ctrl_pos_);
    if (IsQuantifier(CtrlAt(ctrl_pos_)))
        ++ctrl_pos_;
}

void PatternEngine::SkipRemainingAlternatives() {
    while (CtrlAt(ctrl_pos_) == '|') {
        ++ctrl_pos_;
        if (CtrlAt(ctrl_pos_) == '\0')
            return;
        SkipAtom();
    }
}

// ---------------------------------------------------------------------------
// Required prefix

// Follows Match through the leading units every match passes: a unit whose
// atom is quantified or chained by a bar, "$", ".", the end of the string
// and anything Match would report as a fault end the walk. A marked atom is
// never quantified (the quantifier after it is read as the next atom).
PatternEngine::RequiredPrefix PatternEngine::RequiredPrefixOf(const char* ctrl) {
    RequiredPrefix prefix;
    if (ctrl == nullptr)
        return prefix;
    // The members of the first two sets while they are few, for the starts.
    struct FewMembers {
        std::array<unsigned char, RequiredPrefix::kMaxStarts> chars{};
        int count = 0;
        bool many = false;
        void Add(int c) {
            if (count == RequiredPrefix::kMaxStarts) {
                many = true;
            } else {
                chars[static_cast<std::size_t>(count++)] = static_cast<unsigned char>(c);
            }
        }
    };
    std::array<FewMembers, 2> leading;
    FewMembers ignored;

    int pos = 0;
    int depth = 0;
    while (prefix.length_ < RequiredPrefix::kMaxLength) {
        const bool marked = ctrl[pos] == '%' && (ctrl[pos + 1] == 'n' || ctrl[pos + 1] == 'v');
        if (marked)
            pos += 2;
        const char c = ctrl[pos];
        if (c == '\0' || c == '$' || c == '.')
            break;
        if (c == ')') {
            if (marked || depth == 0)
                break;
            --depth;
            ++pos;
            continue;
        }
        const int extent_end = AtomExtentEnd(ctrl, pos);
        if (!marked && (IsQuantifier(ctrl[extent_end]) || ctrl[extent_end] == '|'))
            break;
        std::bitset<256>& set = prefix.sets_[prefix.length_];
        FewMembers& members =
            prefix.length_ < 2 ? leading[static_cast<std::size_t>(prefix.length_)] : ignored;
        if (c == '(') {
            if (ctrl[pos + 1] == ')' || depth + 1 > kMaxGroupDepth)
                break;
            ++depth;
            ++pos;
            continue;
        }
        if (c == '[') {
            bool negated = false;
            int end = pos;
            const char* fault = ReadSet(ctrl, end, negated, [&set, &members](char low, char high) {
                for (int m = static_cast<unsigned char>(low); m <= static_cast<unsigned char>(high); ++m) {
                    set.set(static_cast<std::size_t>(m));
                    members.Add(m);
                }
            });
            if (fault != nullptr || end != extent_end)
                break;
            if (negated) {
                set.flip();
                members.many = true;
            }
            pos = end;
        } else if (c == '\\') {
            if (ctrl[pos + 1] == '\0')
                break;
            set.set(static_cast<unsigned char>(ctrl[pos + 1]));
            members.Add(static_cast<unsigned char>(ctrl[pos + 1]));
            pos += 2;
        } else {
            set.set(static_cast<unsigned char>(c));
            members.Add(static_cast<unsigned char>(c));
            ++pos;
        }
        set.reset(0); // no atom consumes the end of the TEXT
        ++prefix.length_;
    }
    if (prefix.length_ >= 2 && !leading[0].many && !leading[1].many &&
        leading[0].count * leading[1].count <= RequiredPrefix::kMaxStarts) {
        for (int i = 0; i < leading[0].count; ++i) {
            for (int j = 0; j < leading[1].count; ++j)
                prefix.starts_[static_cast<std::size_t>(prefix.start_count_++)] =
                    static_cast<std::uint16_t>(leading[0].chars[i] << 8 | leading[1].chars[j]);
        }
    }
    return prefix;
}

// ---------------------------------------------------------------------------
// Match

// Start of Match and Generate: depth and positions to 0, then the TEXT and
// CTRL strings are checked, in that order.
int PatternEngine::Begin(bool needs_buffer) {
    depth_ = 0;
    text_pos_ = 0;
    ctrl_pos_ = 0;
    if (text_ == nullptr || (needs_buffer && out_ == nullptr))
        return Fail(kNoText, kErrNoText);
    if (ctrl_ == nullptr)
        return Fail(kNoCtrl, kErrNoCtrl);
    return kOk;
}

int PatternEngine::Match() {
    pending_.clear();
    groups_interpreted_ = 0;
    memo_max_entries_ = 0;
    if (!memo_.empty())
        ForgetGroups();
    int result = Begin(false);
    if (result != kOk)
        return result;

    do {
        result = MatchAlternation();
    } while (result == kOk && CtrlAt(ctrl_pos_) != '\0');

    if (result != kOk && TextChar() == '\0')
        result = kNoMatch;

    if (result == kOk) {
        for (const PendingMark& mark : pending_) {
            if (mark.is_value) {
                values_->emplace_back(text_ + mark.begin, static_cast<std::size_t>(mark.end - mark.begin));
            } else {
                *flag_ = true;
            }
        }
    }
    pending_.clear();
    return result;
}

// A unit and, while it fails and a "|" follows, the units after the bars.
int PatternEngine::MatchAlternation() {
    const int start = ctrl_pos_;
    bool chained = false;
    for (;;) {
        const char c = CtrlAt(ctrl_pos_);
        if (c == '\0')
            return kOk; // empty unit
        if (IsPlainLiteralUnit()) {
            const int result = MatchPlainLiteral();
            if (result == kNoMatch && chained)
                ctrl_pos_ = start;
            return result;
        }
        const int extent_end = AtomExtentEnd(ctrl_pos_);
        const char follower = CtrlAt(extent_end);
        if (!IsQuantifier(follower) && follower != '|') {
            // Neither quantifier nor bar: the quantifier step would only
            // pass the atom step's result on.
            const int result = c == '[' ? MatchSet() : MatchAtom();
            if (result == kNoMatch && chained)
                ctrl_pos_ = start;
            return result;
        }
        const int follower_pos = AlternativeFollowerPos(extent_end);
        const bool bar = CtrlAt(follower_pos) == '|';
        const int result = MatchQuantified(extent_end);
        if (result == kOk && bar) {
            SkipRemainingAlternatives();
            return kOk;
        }
        if (result == kNoMatch && bar) {
            ctrl_pos_ = follower_pos + 1;
            chained = true;
            continue;
        }
        if (result == kNoMatch && chained)
            ctrl_pos_ = start;
        return result;
    }
}

int PatternEngine::MatchQuantified(int extent_end) {
    const char quantifier = CtrlAt(extent_end);
    const int start = ctrl_pos_;
    const int text_start = text_pos_;
    const std::size_t marks_before = pending_.size();
    const bool repeats = quantifier == '+' || quantifier == '*';
    if (repeats && Remembering() && Replay(RepetitionPlace(start), text_start) != nullptr)
        return kOk;

    int result = MatchAtom();
    if (result != kOk && result != kNoMatch)
        return result;

    if (quantifier == '?') {
        ctrl_pos_ = extent_end + 1;
        return kOk;
    }
    if (quantifier == '+' && result == kNoMatch) {
        ctrl_pos_ = extent_end + 1;
        return kNoMatch;
    }
    if (repeats) {
        if (result == kOk && text_pos_ == text_start) {
            // The next attempt would start where this one did, and an
            // attempt depends on nothing else: it would match nothing again
            // and end the repetition, adding the same marks once more. Add
            // them without running it, or nested repetitions would run the
            // innermost atom twice per level.
            const std::size_t marks_after = pending_.size();
            for (std::size_t i = marks_before; i < marks_after; ++i) {
                const PendingMark mark = pending_[i];
                pending_.push_back(mark);
            }
        } else if (result == kOk && Remembering()) {
            RepeatRemembering(start, extent_end);
        } else if (result == kOk) {
            // Greedy repetition. A failed attempt (whatever its code) ends it
            // and leaves the TEXT where that attempt began; an attempt that
            // consumes nothing ends it too, so "(a?)*" cannot loop.
            for (;;) {
                const int before = text_pos_;
                ctrl_pos_ = start;
                if (MatchAtom() != kOk) {
                    text_pos_ = before;
                    break;
                }
                if (text_pos_ == before)
                    break;
            }
        }
        ctrl_pos_ = extent_end + 1;
        return kOk;
    }
    return result;
}

// The greedy repetition above, when remembering. Started afresh where one
// of its later attempts begins, the repetition would make the same attempts
// from there: each of those starts is remembered with what the rest of the
// repetition gave, and a start remembered before ends the repetition with
// its replay.
void PatternEngine::RepeatRemembering(int start, int extent_end) {
    const std::size_t attempts_before = attempts_.size();
    for (;;) {
        const int before = text_pos_;
        const std::size_t marks_before = pending_.size();
        if (const GroupMemo* rest = Replay(RepetitionPlace(start), before)) {
            attempts_.push_back({before, marks_before, rest->error});
            break;
        }
        const char* error_before = last_error_;
        last_error_ = nullptr;
        ctrl_pos_ = start;
        const int result = MatchAtom();
        attempts_.push_back({before, marks_before, last_error_});
        if (last_error_ == nullptr)
            last_error_ = error_before;
        if (result != kOk) {
            text_pos_ = before;
            break;
        }
        if (text_pos_ == before)
            break;
    }
    RememberRepetition(start, extent_end, attempts_before);
}

// The attempts from attempts_before on, all but the last of which consumed
// TEXT: each of those is the start of a repetition that ends where this one
// did, with its marks from that attempt on and the last error text they set.
void PatternEngine::RememberRepetition(int start, int extent_end, std::size_t attempts_before) {
    const std::size_t starts = attempts_.size() - attempts_before - 1;
    const std::size_t marks_first = attempts_[attempts_before].marks_before;
    if (starts > 0 && MakeRoom(starts, pending_.size() - marks_first)) {
        const std::uint32_t marks_begin = StoreMarks(marks_first);
        const char* error = attempts_.back().error;
        for (std::size_t i = attempts_.size() - 1; i-- > attempts_before;) {
            const Attempt& attempt = attempts_[i];
            if (error == nullptr)
                error = attempt.error;
            AddMemo({RepetitionPlace(start), attempt.text_start, depth_, kOk, text_pos_, extent_end + 1,
                     error, marks_begin + static_cast<std::uint32_t>(attempt.marks_before - marks_first),
                     static_cast<std::uint32_t>(pending_.size() - attempt.marks_before)});
        }
    }
    attempts_.resize(attempts_before);
}

int PatternEngine::MatchAtom() {
    const int text_start = text_pos_;
    const int ctrl_start = ctrl_pos_;
    char marker = '\0';
    if (CtrlAt(ctrl_pos_) == '%' && (CtrlAt(ctrl_pos_ + 1) == 'n' || CtrlAt(ctrl_pos_ + 1) == 'v')) {
        marker = CtrlAt(ctrl_pos_ + 1);
        ctrl_pos_ += 2;
    }

    int result;
    switch (CtrlAt(ctrl_pos_)) {
    case '\0':
        result = kOk; // a marker with nothing after it marks an empty unit
        break;
    case '(':
        result = MatchOrReplayGroup(ctrl_start, text_start);
        break;
    case '[':
        result = MatchSet();
        break;
    case ')':
        result = Fail(kSyntaxError, kErrExtraParen);
        break;
    default:
        result = MatchSimple();
        break;
    }

    if (result == kOk) {
        if (marker == 'n' && flag_ != nullptr)
            pending_.push_back({false, 0, 0});
        if (marker == 'v' && values_ != nullptr)
            pending_.push_back({true, text_start, text_pos_});
    }
    return result;
}

// Steps into the group at `ctrl_start`: kOk, or the error of an empty or too
// deeply nested group with the CTRL position put back on the group.
int PatternEngine::EnterGroup(int ctrl_start) {
    ++ctrl_pos_;
    ++depth_;
    if (CtrlAt(ctrl_pos_) == ')') {
        ctrl_pos_ = ctrl_start;
        return Fail(kSyntaxError, kErrEmptyGroup);
    }
    if (depth_ > kMaxGroupDepth) {
        ctrl_pos_ = ctrl_start;
        return Fail(kSyntaxError, kErrTooDeep);
    }
    return kOk;
}

// After a unit of the group succeeded: true when the group ends here, at its
// ")" (stepped over) or, with `result` set to the error, at the end of the
// CTRL string (the position put back on the group).
bool PatternEngine::GroupEnds(int ctrl_start, int& result) {
    if (CtrlAt(ctrl_pos_) == ')') {
        ++ctrl_pos_;
        return true;
    }
    if (CtrlAt(ctrl_pos_) == '\0') {
        ctrl_pos_ = ctrl_start;
        result = Fail(kSyntaxError, kErrMissingParen);
        return true;
    }
    return false;
}

// A failed group gives its text back, and with it the marks of the atoms
// inside it that had matched. The first groups of a Match are interpreted
// plainly: most Matches end long before a group could come again.
int PatternEngine::MatchOrReplayGroup(int ctrl_start, int text_start) {
    if (groups_interpreted_ >= kMemoAfterGroups)
        return MatchRememberedGroup(ctrl_start, text_start);
    ++groups_interpreted_;
    const std::size_t marks_before = pending_.size();
    const int result = MatchGroup(ctrl_start, text_start);
    if (result != kOk)
        pending_.resize(marks_before);
    return result;
}

int PatternEngine::MatchRememberedGroup(int ctrl_start, int text_start) {
    if (const GroupMemo* memo = Replay(GroupPlace(ctrl_start), text_start))
        return memo->result;
    ++groups_interpreted_;
    const std::size_t marks_before = pending_.size();
    const char* error_before = last_error_;
    last_error_ = nullptr;
    const int result = MatchGroup(ctrl_start, text_start);
    if (result != kOk)
        pending_.resize(marks_before);
    const std::size_t marks = pending_.size() - marks_before;
    if (MakeRoom(1, marks)) {
        AddMemo({GroupPlace(ctrl_start), text_start, depth_, result, text_pos_, ctrl_pos_, last_error_,
                 StoreMarks(marks_before), static_cast<std::uint32_t>(marks)});
    }
    if (last_error_ == nullptr)
        last_error_ = error_before;
    return result;
}

// What was remembered at `place` and `text_start`, replayed; none if nothing
// was.
const PatternEngine::GroupMemo* PatternEngine::Replay(int place, int text_start) {
    if (memo_.empty())
        return nullptr;
    const std::uint32_t index = memo_slots_[MemoSlot(place, text_start, depth_)];
    if (index == 0)
        return nullptr;
    const GroupMemo& memo = memo_[index - 1];
    text_pos_ = memo.text_end;
    ctrl_pos_ = memo.ctrl_end;
    if (memo.error != nullptr)
        SetErrorText(memo.error);
    const auto marks = memo_marks_.begin() + static_cast<std::ptrdiff_t>(memo.marks_begin);
    pending_.insert(pending_.end(), marks, marks + static_cast<std::ptrdiff_t>(memo.marks_count));
    return &memo;
}

// The slot of memo_slots_ holding the entry for `place`, `text_start` and
// `depth`, or the free slot where it goes.
std::size_t PatternEngine::MemoSlot(int place, int text_start, int depth) const {
    std::uint32_t hash = static_cast<std::uint32_t>(text_start) * 0x9E3779B1u +
                         static_cast<std::uint32_t>(place) * 0x85EBCA77u + static_cast<std::uint32_t>(depth);
    hash ^= hash >> 15;
    const std::size_t mask = memo_slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (;;) {
        const std::uint32_t index = memo_slots_[slot];
        if (index == 0)
            return slot;
        const GroupMemo& memo = memo_[index - 1];
        if (memo.place == place && memo.text_start == text_start && memo.depth == depth)
            return slot;
        slot = (slot + 1) & mask;
    }
}

// Room for `entries` more entries and `marks` more marks, the memory emptied
// if it is too full; false when they would not fit even then.
bool PatternEngine::MakeRoom(std::size_t entries, std::size_t marks) {
    if (memo_max_entries_ == 0) {
        // The lengths are read here, not in every Match: the pages' Matches,
        // one for each word of a line, never need the memory.
        const std::size_t ctrl_length = std::strlen(ctrl_);
        const std::size_t text_positions = std::strlen(text_) + 1;
        memo_max_entries_ = ctrl_length > kMemoMostEntries / text_positions
                                ? kMemoMostEntries
                                : std::max(ctrl_length * text_positions, kMemoLeastEntries);
    }
    const std::size_t max_marks = 2 * memo_max_entries_;
    if (entries > memo_max_entries_ || marks > max_marks)
        return false;
    if (memo_.size() + entries > memo_max_entries_ || memo_marks_.size() + marks > max_marks)
        ForgetGroups();
    if (2 * (memo_.size() + entries) > memo_slots_.size()) {
        // The table stays at most half full, so that a probe soon finds a
        // free slot.
        std::size_t slots = memo_slots_.empty() ? kMemoFirstSlots : memo_slots_.size();
        while (2 * (memo_.size() + entries) > slots)
            slots *= 2;
        memo_slots_.assign(slots, 0);
        for (std::size_t i = 0; i < memo_.size(); ++i) {
            const GroupMemo& kept = memo_[i];
            memo_slots_[MemoSlot(kept.place, kept.text_start, kept.depth)] =
                static_cast<std::uint32_t>(i + 1);
        }
    }
    return true;
}

// Copies the marks pending_ holds from `first` on; gives where they begin.
std::uint32_t PatternEngine::StoreMarks(std::size_t first) {
    const std::uint32_t begin = static_cast<std::uint32_t>(memo_marks_.size());
    memo_marks_.insert(memo_marks_.end(), pending_.begin() + static_cast<std::ptrdiff_t>(first),
                       pending_.end());
    return begin;
}

// Enters `memo` unless its place is already remembered (with the same
// outcome: the interpreter is deterministic).
void PatternEngine::AddMemo(const GroupMemo& memo) {
    std::uint32_t& slot = memo_slots_[MemoSlot(memo.place, memo.text_start, memo.depth)];
    if (slot != 0)
        return;
    memo_.push_back(memo);
    slot = static_cast<std::uint32_t>(memo_.size());
}

void PatternEngine::ForgetGroups() {
    memo_.clear();
    memo_marks_.clear();
    std::fill(memo_slots_.begin(), memo_slots_.end(), 0u);
}

int PatternEngine::MatchGroup(int ctrl_start, int text_start) {
    int result = EnterGroup(ctrl_start);
    while (result == kOk) {
        result = IsPlainLiteralUnit() ? MatchPlainLiteral() : MatchAlternation();
        if (result == kOk && GroupEnds(ctrl_start, result))
            break;
    }
    if (result == kNoMatch)
        text_pos_ = text_start;
    --depth_;
    return result;
}

template <class AddMember>
const char* PatternEngine::ReadSet(const char* ctrl, int& pos, bool& negated, AddMember add) {
    negated = false;
    ++pos;
    const char first = ctrl[pos];
    if (first == '\0')
        return kErrMissingBracket;
    if (first == '^') {
        negated = true;
        ++pos;
    } else if (first == ']' || first == '-') {
        add(first, first);
        ++pos;
    }
    for (;;) {
        const char c = ctrl[pos];
        if (c == '\0')
            return kErrMissingBracket;
        if (c == ']') {
            ++pos;
            return nullptr;
        }
        const char high = ctrl[pos + 1] == '-' ? ctrl[pos + 2] : '\0';
        if (high != '\0' && high != ']') {
            if (static_cast<unsigned char>(high) < static_cast<unsigned char>(c))
                return kErrInvalidRange;
            add(c, high);
            pos += 3;
        } else {
            add(c, c);
            ++pos;
        }
    }
}

int PatternEngine::MatchSet() {
    if (TextChar() == '\0')
        return kNoMatch;
    const int start = ctrl_pos_;
    const unsigned char t = static_cast<unsigned char>(TextChar());
    bool negated = false;
    bool member = false;
    const char* fault = ReadSet(ctrl_, ctrl_pos_, negated, [t, &member](char low, char high) {
        if (static_cast<unsigned char>(low) <= t && t <= static_cast<unsigned char>(high))
            member = true;
    });
    if (fault != nullptr)
        return Fail(kSyntaxError, fault);
    if (member == negated) {
        ctrl_pos_ = start;
        return kNoMatch;
    }
    ++text_pos_;
    return kOk;
}

int PatternEngine::MatchSimple() {
    const char c = CtrlAt(ctrl_pos_);
    const char t = TextChar();
    switch (c) {
    case '$':
        if (t != '\0' && t != '\n')
            return kNoMatch;
        ++ctrl_pos_;
        return kOk;
    case '.':
        if (t == '\n')
            return kNoMatch;
        ++ctrl_pos_;
        return kOk;
    case '\\': {
        const char escaped = CtrlAt(ctrl_pos_ + 1);
        if (escaped == '\0')
            return Fail(kSyntaxError, kErrTrailingEscape);
        if (escaped != t)
            return kNoMatch;
        ctrl_pos_ += 2;
        ++text_pos_;
        return kOk;
    }
    default:
        if (c != t)
            return kNoMatch;
        ++ctrl_pos_;
        ++text_pos_;
        return kOk;
    }
}

// ---------------------------------------------------------------------------
// Generate

int PatternEngine::Generate() {
    int result = Begin(true);
    if (result != kOk)
        return result;

    do {
        result = GenAlternation();
    } while (result == kOk && CtrlAt(ctrl_pos_) != '\0');
    return result;
}

// Writes `c` followed by a terminator, if both fit.
bool PatternEngine::Emit(char c) {
    const std::size_t pos = static_cast<std::size_t>(text_pos_);
    if (pos + 1 >= out_capacity_)
        return false;
    out_[pos] = c;
    out_[pos + 1] = '\0';
    ++text_pos_;
    return true;
}

// Only the first alternative of a chain is ever written.
int PatternEngine::GenAlternation() {
    if (CtrlAt(ctrl_pos_) == '\0')
        return kOk;
    const int extent_end = AtomExtentEnd(ctrl_pos_);
    const bool bar = CtrlAt(AlternativeFollowerPos(extent_end)) == '|';
    const int result = GenQuantified(extent_end);
    if (result == kOk && bar)
        SkipRemainingAlternatives();
    return result;
}

int PatternEngine::GenQuantified(int extent_end) {
    const char quantifier = CtrlAt(extent_end);
    if (quantifier != '?' && quantifier != '*' && quantifier != '+')
        return GenAtom();

    if (quantifier != '+' && !ValuesRemain()) {
        ctrl_pos_ = extent_end + 1;
        return kOk;
    }
    // Written once: a quantified atom never consumes a value, so repeating it
    // "while values remain" would never end.
    const int result = GenAtom();
    if (result == kOk)
        ctrl_pos_ = extent_end + 1;
    return result;
}

int PatternEngine::GenAtom() {
    const int ctrl_start = ctrl_pos_;
    char marker = '\0';
    if (CtrlAt(ctrl_pos_) == '%' && (CtrlAt(ctrl_pos_ + 1) == 'n' || CtrlAt(ctrl_pos_ + 1) == 'v')) {
        marker = CtrlAt(ctrl_pos_ + 1);
        ctrl_pos_ += 2;
    }

    if (depth_ == 0 && marker == 'n' && (flag_ == nullptr || !*flag_))
        return kNoMatch;
    if (depth_ == 0 && marker == 'v') {
        if (!ValuesRemain())
            return kNoMatch;
        const std::string& value = (*values_)[value_cursor_++];
        for (const char* p = value.c_str(); *p != '\0'; ++p) {
            if (!Emit(*p))
                return Fail(kTruncated, kErrTruncated);
        }
        SkipAtom();
        return kOk;
    }

    const char c = CtrlAt(ctrl_pos_);
    switch (c) {
    case '\0':
        return kOk;
    case '(':
        return GenGroup(ctrl_start);
    case '[': {
        ++ctrl_pos_;
        if (CtrlAt(ctrl_pos_) == '\0')
            return Fail(kSyntaxError, kErrMissingBracket);
        int close = ctrl_pos_ + 1;
        while (CtrlAt(close) != '\0' && CtrlAt(close) != ']')
            ++close;
        if (CtrlAt(close) == '\0')
            return Fail(kSyntaxError, kErrMissingBracket);
        if (!Emit(CtrlAt(close - 1)))
            return Fail(kTruncated, kErrTruncated);
        ctrl_pos_ = close + 1;
        return kOk;
    }
    case ')':
        return Fail(kSyntaxError, kErrExtraParen);
    case '$':
    case '.':
        ++ctrl_pos_;
        return kOk;
    case '\\': {
        const char escaped = CtrlAt(ctrl_pos_ + 1);
        if (escaped == '\0')
            return Fail(kSyntaxError, kErrTrailingEscape);
        if (!Emit(escaped))
            return Fail(kTruncated, kErrTruncated);
        ctrl_pos_ += 2;
        return kOk;
    }
    default:
        if (!Emit(c))
            return Fail(kTruncated, kErrTruncated);
        ++ctrl_pos_;
        return kOk;
    }
}

int PatternEngine::GenGroup(int ctrl_start) {
    int result = EnterGroup(ctrl_start);
    while (result == kOk) {
        result = GenAlternation();
        if (result == kOk && GroupEnds(ctrl_start, result))
            break;
    }
    --depth_;
    return result;
}
