// Option patterns and the command-line parser of the option pages.
//
// An option page describes each option it knows by an OptionPattern (a CTRL
// string, see pattern_engine.h) bound through an OptionBinding to the page's
// own state for that option: a bool flag and, for options with values, a
// ValueList. An OptionParser holds all patterns of one page and the page's
// command-line buffer and offers the two whole-line operations:
//
//   ParseLine()    command-line text  -> option state (only ever sets flags
//                                        and appends values: the page clears
//                                        its flags and lists first)
//   GenerateLine() option state       -> command-line text (options in
//                                        pattern order, single blanks between)
//
// Setting up a page:
//
//   OptionParser parser;
//   parser.SetLineBuffer(page_line, sizeof page_line);
//   parser.AddPattern("%n(-[xX])($| )", &strip_locals);
//   parser.AddPattern(std::make_unique<MyPattern>(...));   // own Parse/Generate
//
// Ownership: the parser owns its patterns and bindings and destroys all
// patterns, then all bindings, when it is destroyed. Flags and value lists
// belong to the page and must outlive the parser's operations.
#ifndef SUITE_OPTION_PARSER_H
#define SUITE_OPTION_PARSER_H

#include "pattern_engine.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OptionParser;

// Where one option's state lives: the page's flag and, for options with
// values, the page's value list. Either may be null. A binding never owns or
// touches them on destruction.
struct OptionBinding {
    OptionBinding(bool* flag_in, ValueList* values_in = nullptr) : flag(flag_in), values(values_in) {}

    bool* flag;
    ValueList* values;
};

// One option: a CTRL string and the bindings it reports into. The base Parse
// and Generate use the first binding only; a pattern without a binding must
// override both (the base versions then take and write nothing).
class OptionPattern {
public:
    OptionPattern() = default;
    OptionPattern(OptionParser* owner, const char* ctrl);
    // Sets the owner, copies the CTRL string and adds the binding.
    OptionPattern(OptionParser* owner, const char* ctrl, std::unique_ptr<OptionBinding> binding);
    virtual ~OptionPattern() = default;
    OptionPattern(const OptionPattern&) = delete;
    OptionPattern& operator=(const OptionPattern&) = delete;

    // Also hands any binding added before the pattern had an owner to it.
    void SetOwner(OptionParser* owner);
    // Keeps a copy; null means no CTRL string.
    void SetCtrl(const char* ctrl);
    // Appends the binding; the owner (or, until there is one, the pattern)
    // destroys it. Returns the binding.
    OptionBinding* AddBinding(std::unique_ptr<OptionBinding> binding);

    // Number of characters of `text` (NUL-terminated) the option takes here;
    // 0 when it does not match here.
    virtual int Parse(OptionParser& engine, const char* text);
    // What every text Parse takes starts with, so that ParseLine can pass
    // over the words that do not without asking; null (the default, right
    // for any Parse override) asks at every word. The parser's own plain
    // patterns answer with their CTRL string's required prefix.
    virtual const PatternEngine::RequiredPrefix* ParsePrefix() const { return nullptr; }
    // Writes the option's text at `out`, which holds `capacity` chars
    // (terminator included), and returns the number of characters written;
    // 0 when the option contributes nothing. An override must stay inside
    // the capacity, keep `out` terminated, and call engine.NoteTruncation()
    // when it leaves anything out for lack of room.
    //
    // The base version writes the pattern once without a value list, or
    // once per value, the copies separated by single blanks. A copy that
    // fails after the first leaves its blank behind (counted). A copy that
    // does not fit is removed with its blank and noted as a truncation.
    virtual int Generate(OptionParser& engine, char* out, std::size_t capacity);

    OptionParser* Owner() const { return owner_; }
    // The CTRL string, or null.
    const char* Ctrl() const { return has_ctrl_ ? ctrl_.c_str() : nullptr; }
    const std::vector<OptionBinding*>& Bindings() const { return bindings_; }

protected:
    // The required prefix of the CTRL string, which the base Parse holds
    // every text to.
    const PatternEngine::RequiredPrefix& CtrlPrefix() const { return prefix_; }

private:
    OptionParser* owner_ = nullptr;
    std::string ctrl_;
    bool has_ctrl_ = false;
    PatternEngine::RequiredPrefix prefix_; // of ctrl_: most words fail it

    std::vector<OptionBinding*> bindings_;                  // not owned
    std::vector<std::unique_ptr<OptionBinding>> unadopted_; // until owned
};

class OptionParser : public PatternEngine {
public:
    // Capacity of the scratch buffer each pattern generates into.
    static constexpr std::size_t kScratchSize = 1024;
    // Capacity of the pages' command-line buffer: 2047 characters and a
    // terminator. A larger buffer is used only up to this size.
    static constexpr std::size_t kLineSize = 2048;

    OptionParser() = default;
    ~OptionParser() override;

    // The page's command-line buffer (not owned) and its capacity.
    void SetLineBuffer(char* line, std::size_t capacity = kLineSize);
    // Sets the pattern's owner to this parser and appends it; the parser owns
    // it from now on. Returns the pattern.
    OptionPattern* AddPattern(std::unique_ptr<OptionPattern> pattern);
    // Shorthand: a plain pattern over `ctrl` bound to `flag` (and `values`).
    OptionPattern* AddPattern(const char* ctrl, bool* flag, ValueList* values = nullptr);
    // Takes ownership of a binding (a binding already owned is ignored).
    void AdoptBinding(std::unique_ptr<OptionBinding> binding);

    // For each pattern in the order added, scans the whole line: blanks
    // (space, tab) are skipped; the pattern's Parse is tried at every word
    // and at every position a previous success of it left; a word it does
    // not take is skipped to the next blank. A line without a terminator is
    // read up to its capacity. Returns 0.
    int ParseLine();
    // Rebuilds the line from the option state: each pattern's text, in the
    // order added, separated by single blanks. Returns 0, or kTruncated when
    // something was left out because it did not fit: an option text that
    // does not fit in the line is left out whole (later ones that still fit
    // are kept), so the line only ever holds complete options.
    int GenerateLine();

    // For Generate overrides: something was left out for lack of room.
    void NoteTruncation() { truncated_ = true; }

    const std::vector<std::unique_ptr<OptionPattern>>& Patterns() const { return patterns_; }

private:
    std::vector<std::unique_ptr<OptionPattern>> patterns_;
    std::vector<std::unique_ptr<OptionBinding>> bindings_;
    char* line_ = nullptr;
    std::size_t line_capacity_ = 0;
    bool truncated_ = false;
    std::string parse_copy_;             // terminated copy of the line during ParseLine
    std::vector<std::size_t> next_word_; // first non-blank at or after i
    std::vector<std::size_t> word_end_;  // first blank (or the end) at or after i
    // Every word's first two characters and position, (first << 8 | second)
    // << 16 | position, sorted: the words a required prefix may admit.
    std::vector<std::uint32_t> word_starts_;
};

#endif // SUITE_OPTION_PARSER_H
