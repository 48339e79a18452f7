// PatternEngine: interpreter of the CTRL-string pattern language that the
// option pages use to read options out of a command line (Match) and to
// write them back (Generate).
//
// The language, in short (a CTRL string is read left to right, there is no
// compiled form; syntax errors are found only when the interpreter reaches
// them):
//
//   unit     := atom [quantifier] ['|' unit]      ('|' binds tighter than
//                                                  sequence: ab|cd = a(b|c)d)
//   atom     := "%n" atom    flag marker          (Match: sets the flag;
//                                                  Generate: writes the atom
//                                                  only if the flag is true)
//             | "%v" atom    value marker         (Match: appends the consumed
//                                                  text to the value list;
//                                                  Generate: writes the next
//                                                  value instead of the atom)
//             | '(' units ')'                     group
//             | '[' ['^'] members ']'             character set; Generate
//                                                  writes its last character
//             | '\' c                             c taken literally
//             | '$'                               end of TEXT or line feed
//             | '.'                               any TEXT character but a
//                                                  line feed (consumes none)
//             | c                                 c literally ("*", "+", "?",
//                                                  "|", "]" and a lone "%"
//                                                  included)
//   quantifier := '*' | '+' | '?'                 greedy, never gives back
//
// Markers are honoured by Generate only outside groups. The scanning rules
// treat the "%" of a marker as a one-character atom, so a quantifier or "|"
// written after a marked atom is read as the next atom.
//
// Usage: Reset(), then SetCtrl/SetText/SetFlag/SetValues, then Match() or
// Generate(). The engine owns nothing it is given: the CTRL string, the TEXT
// string or output buffer, the flag and the value list belong to the caller
// and must outlive the call.
//
// Behaviour chosen where the classic design leaves a gap:
//   * A quantified atom whose repetition consumes no TEXT ("(a?)*", "($)*")
//     ends its repetition.
//   * "*" and "+" in Generate write their atom once even while values remain
//     (the atom can never consume a value, so repeating would not end).
//   * Generate never writes past the capacity given with SetText(char*, n):
//     output that does not fit is cut after the last character that fits,
//     the buffer stays NUL-terminated and Generate returns kTruncated with
//     Position() = characters written.
//   * A CTRL string ending in a single "\" is a syntax error (kSyntaxError,
//     kErrTrailingEscape) when reached; it is never read past its end.
//   * An atom expected at the very end of the CTRL string (empty CTRL string,
//     a trailing "|" or marker, an open "(" at the end) is an empty unit that
//     matches and writes nothing; an open group then reports its missing ")".
//   * Groups nest at most kMaxGroupDepth deep (a syntax error beyond), which
//     bounds the interpreter's recursion.
//   * Set ranges compare characters as unsigned bytes.
//   * A mark takes effect only if its atom is part of the successful match:
//     the marks of atoms inside a group that then failed (a failed
//     alternative, the failed last attempt of a repetition) are dropped with
//     the text the group gives back.
//   * Match does not interpret a group again where it already did: once it
//     has interpreted kMemoAfterGroups groups, it remembers, within a bounded
//     memory, what each group gave and what the rest of each repetition gave
//     from each of its attempts (result, where both strings ended, error
//     text, marks), and replays that when the same group or repetition comes
//     again at the same CTRL and TEXT position. Nested repetitions would
//     otherwise run their inner repetitions to the end once per outer
//     attempt, at a cost that grows as a power of the TEXT length.
#ifndef SUITE_PATTERN_ENGINE_H
#define SUITE_PATTERN_ENGINE_H

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The ordered list of value strings of one option. It belongs to the option
// page; Match appends to it, Generate only reads it.
using ValueList = std::vector<std::string>;

class PatternEngine {
public:
    // Result codes of Match and Generate.
    enum Result : int {
        kOk = 0,          // Match: pattern found at the start of TEXT;
                          // Generate: text written
        kNoMatch = 1,     // Match: no match; Generate: a marker's condition
                          // is not met
        kSyntaxError = 2, // bad CTRL string; ErrorText() names the fault
        kNoText = 3,      // no TEXT string (or, for Generate, no buffer)
        kNoCtrl = 4,      // no CTRL string
        kTruncated = 5,   // Generate: output cut at the buffer's capacity
    };

    // What a TEXT must start with for Match to succeed: for each of the
    // first Length() characters, the set it must belong to. Taken from the
    // atoms every match passes through before anything optional (a
    // quantifier, a bar, "$", "."), so a TEXT it does not admit can be
    // turned away without running the interpreter. Admits every TEXT when
    // nothing is required.
    class RequiredPrefix {
    public:
        static constexpr int kMaxLength = 8;

        bool Admits(const char* text) const {
            for (int i = 0; i < length_; ++i) {
                // No set holds the NUL, so a shorter TEXT fails here.
                if (!sets_[i][static_cast<unsigned char>(text[i])])
                    return false;
            }
            return true;
        }
        int Length() const { return length_; }
        // The first two characters as (first << 8 | second) keys, when the
        // prefix is two or more long and allows at most kMaxStarts of them
        // (case variants, say); none otherwise.
        static constexpr int kMaxStarts = 4;
        int StartCount() const { return start_count_; }
        std::uint16_t Start(int i) const { return starts_[static_cast<std::size_t>(i)]; }

    private:
        friend class PatternEngine;

        std::array<std::bitset<256>, kMaxLength> sets_{};
        int length_ = 0;
        std::array<std::uint16_t, kMaxStarts> starts_{};
        int start_count_ = 0;
    };
    static RequiredPrefix RequiredPrefixOf(const char* ctrl);

    static constexpr std::size_t kErrorTextSize = 1024;
    static constexpr int kMaxGroupDepth = 256;

    // Messages put into the error text.
    static const char kErrNoText[];
    static const char kErrNoCtrl[];
    static const char kErrInvalidRange[];
    static const char kErrMissingBracket[];
    static const char kErrExtraParen[];
    static const char kErrMissingParen[];
    static const char kErrEmptyGroup[];
    static const char kErrTrailingEscape[];
    static const char kErrTooDeep[];
    static const char kErrTruncated[];

    PatternEngine();
    virtual ~PatternEngine() = default;
    PatternEngine(const PatternEngine&) = delete;
    PatternEngine& operator=(const PatternEngine&) = delete;

    // Empties the error text, sets both positions to 0 and forgets the TEXT,
    // CTRL, flag, value list and value cursor. The group depth is left alone.
    void Reset();

    void SetCtrl(const char* ctrl) { ctrl_ = ctrl; }
    // Subject of Match (read up to its NUL). Generate cannot write here and
    // answers kNoText after this overload.
    void SetText(const char* text) {
        text_ = text;
        out_ = nullptr;
        out_capacity_ = 0;
    }
    // Output buffer of Generate holding `capacity` chars (terminator
    // included); Match reads it up to its NUL.
    void SetText(char* buffer, std::size_t capacity) {
        text_ = buffer;
        out_ = buffer;
        out_capacity_ = buffer ? capacity : 0;
    }
    void SetFlag(bool* flag) { flag_ = flag; }
    // Binds the value list (or none) and puts the value cursor on its first
    // value.
    void SetValues(ValueList* values) {
        values_ = values;
        value_cursor_ = 0;
    }

    // Anchored, greedy, non-backtracking match at the start of TEXT. On kOk
    // Position() is the number of TEXT characters consumed and the pending
    // marks are applied (flag set true, values appended); on any other code
    // neither the flag nor the list changes.
    int Match();
    // Writes the text the CTRL string describes for the bound state at the
    // start of the buffer, NUL-terminated after every character written. On
    // kOk (and kTruncated) Position() is the number of characters written.
    // Moves the value cursor; never changes the flag or the list.
    int Generate();

    int Position() const { return text_pos_; }
    const char* ErrorText() const { return error_text_; }
    // Where interpretation stopped; after an empty-group, missing-parenthesis
    // or nesting error it is the start of that atom (its marker included).
    int CtrlPosition() const { return ctrl_pos_; }
    int GroupDepth() const { return depth_; }
    // Groups the last Match interpreted, those replayed from its memory not
    // counted: at most kMemoAfterGroups plus one for each group atom, depth
    // and TEXT position, unless the memory filled up.
    std::uint64_t GroupsInterpreted() const { return groups_interpreted_; }
    static constexpr std::uint64_t kMemoAfterGroups = 256;

private:
    struct PendingMark {
        bool is_value; // false: flag mark
        int begin;     // consumed TEXT [begin, end) of a value mark
        int end;
    };

    // What one interpretation of a group, or of the rest of a repetition,
    // gave. Nothing else of the Match changes it: they read only the two
    // strings from where they start, and the depth outside them (for the
    // nesting limit).
    struct GroupMemo {
        int place; // GroupPlace of the group's atom (marker included) or
                   // RepetitionPlace of the repeated atom
        int text_start;
        int depth;
        int result;
        int text_end;
        int ctrl_end;
        const char* error;         // the last message it put in the error text, or none
        std::uint32_t marks_begin; // the marks it appended, in memo_marks_
        std::uint32_t marks_count;
    };
    // Bounds of the memory; when it is full it is emptied and refilled, and
    // what it held is interpreted again. A Match may need an entry for each
    // of its CTRL positions at each TEXT position, so the room for entries
    // grows with both lengths (set when the memory is first needed), between
    // the least and the most, and the room for marks is twice that.
    static constexpr std::size_t kMemoLeastEntries = std::size_t{1} << 15;
    static constexpr std::size_t kMemoMostEntries = std::size_t{1} << 18;
    static constexpr std::size_t kMemoFirstSlots = 1024;

    char CtrlAt(int pos) const { return ctrl_[pos]; }
    char TextChar() const { return text_[text_pos_]; }
    bool ValuesRemain() const;
    int Fail(int code, const char* message);
    void SetErrorText(const char* message);

    // Scanning rules. AtomExtentEnd gives the position of the atom's
    // follower (the NUL when the atom runs to the end of the CTRL string).
    int AtomExtentEnd(int pos) const { return AtomExtentEnd(ctrl_, pos); }
    static int AtomExtentEnd(const char* ctrl, int pos) {
        const char c = ctrl[pos];
        if (c == '(' || c == '[' || c == '\\' || c == '\0')
            return LongAtomExtentEnd(ctrl, pos);
        return pos + 1;
    }
    static int LongAtomExtentEnd(const char* ctrl, int pos);
    // Reads the set whose "[" is at `pos`: calls add(low, high) for each
    // member (a single character as low == high), sets `negated` and leaves
    // `pos` after the "]". On a fault returns its message, `pos` where the
    // fault was found.
    template <class AddMember>
    static const char* ReadSet(const char* ctrl, int& pos, bool& negated, AddMember add);
    static bool IsQuantifier(char c) { return c == '*' || c == '+' || c == '?'; }
    // Character kinds for the fast path: kNotPlain marks the characters that
    // are not a one-character literal atom whatever follows them
    // (NUL ( ) [ \ % $ .), kJoins those that make a unit of the atom before
    // them (the quantifiers and the bar).
    enum : unsigned char { kNotPlain = 1, kJoins = 2 };
    static constexpr std::array<unsigned char, 256> MakeCharKinds() {
        std::array<unsigned char, 256> kinds{};
        for (const char c : {'\0', '(', ')', '[', '\\', '%', '$', '.'})
            kinds[static_cast<unsigned char>(c)] |= kNotPlain;
        for (const char c : {'*', '+', '?', '|'})
            kinds[static_cast<unsigned char>(c)] |= kJoins;
        return kinds;
    }
    static const std::array<unsigned char, 256> kCharKinds;
    static unsigned char KindOf(char c) { return kCharKinds[static_cast<unsigned char>(c)]; }
    // Fast path of the alternation step for the commonest unit: a literal
    // with neither a quantifier nor a bar after it. Same steps, unrolled.
    bool IsPlainLiteralUnit() const {
        return !(KindOf(ctrl_[ctrl_pos_]) & kNotPlain) && !(KindOf(ctrl_[ctrl_pos_ + 1]) & kJoins);
    }
    int MatchPlainLiteral() {
        if (ctrl_[ctrl_pos_] != text_[text_pos_])
            return kNoMatch;
        ++ctrl_pos_;
        ++text_pos_;
        return kOk;
    }
    // Alternative scan: position of the follower given the atom's extent,
    // stepping over a quantifier.
    int AlternativeFollowerPos(int extent_end) const {
        return IsQuantifier(ctrl_[extent_end]) ? extent_end + 1 : extent_end;
    }
    void SkipAtom();
    void SkipRemainingAlternatives();

    int Begin(bool needs_buffer);

    // Match.
    int MatchAlternation();
    int MatchQuantified(int extent_end);
    int MatchAtom();
    int EnterGroup(int ctrl_start);
    bool GroupEnds(int ctrl_start, int& result);
    void RepeatRemembering(int start, int extent_end);
    void RememberRepetition(int start, int extent_end, std::size_t attempts_before);
    int MatchOrReplayGroup(int ctrl_start, int text_start);
    int MatchRememberedGroup(int ctrl_start, int text_start);
    int MatchGroup(int ctrl_start, int text_start);
    bool Remembering() const { return groups_interpreted_ >= kMemoAfterGroups; }
    static int GroupPlace(int ctrl_start) { return 2 * ctrl_start; }
    static int RepetitionPlace(int start) { return 2 * start + 1; }
    const GroupMemo* Replay(int place, int text_start);
    std::size_t MemoSlot(int place, int text_start, int depth) const;
    bool MakeRoom(std::size_t entries, std::size_t marks);
    std::uint32_t StoreMarks(std::size_t first);
    void AddMemo(const GroupMemo& memo);
    void ForgetGroups();
    int MatchSet();
    int MatchSimple();

    // Generate.
    int GenAlternation();
    int GenQuantified(int extent_end);
    int GenAtom();
    int GenGroup(int ctrl_start);
    bool Emit(char c);

    char error_text_[kErrorTextSize];
    int text_pos_ = 0;
    const char* text_ = nullptr;
    int ctrl_pos_ = 0;
    const char* ctrl_ = nullptr;
    int depth_ = 0;
    bool* flag_ = nullptr;
    ValueList* values_ = nullptr;
    std::size_t value_cursor_ = 0;

    char* out_ = nullptr; // writable view of text_, or none
    std::size_t out_capacity_ = 0;
    std::vector<PendingMark> pending_;

    // Match's memory of the groups it interpreted (kept across Matches so
    // that its storage is reused; emptied at the start of each).
    std::uint64_t groups_interpreted_ = 0;
    const char* last_error_ = nullptr; // the last message Fail put in the error text
    std::size_t memo_max_entries_ = 0; // 0: not yet set in this Match
    std::vector<GroupMemo> memo_;
    std::vector<std::uint32_t> memo_slots_; // hash table of memo_ indexes + 1; 0 is free
    std::vector<PendingMark> memo_marks_;
    // The attempts of the repetitions under way (see RepeatRemembering).
    struct Attempt {
        int text_start;
        std::size_t marks_before;
        const char* error; // the last message it put in the error text, or none
    };
    std::vector<Attempt> attempts_;
};

#endif // SUITE_PATTERN_ENGINE_H
