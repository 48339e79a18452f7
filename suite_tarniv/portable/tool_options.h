// The option state of the three tools' option pages and the patterns that
// map it to and from the driver's command-line switches. The pages own one
// of these each, clear it with Reset() before every parse, and hand
// AddPatterns() the page's OptionParser when the page is set up; the order
// in which patterns are added is the order of the switches in the line.
#pragma once

#include "level_flags.h"
#include "option_parser.h"

#include <string>

namespace suite::options {

using suite::LevelFlags;

struct AssemblerOptions {
    bool crossReference = false;
    bool optimize = false;
    bool stripLocals = false;

    void Reset();
    void AddPatterns(OptionParser& parser);
};

struct CompilerOptions {
    bool signedChar = false;
    bool strict = false;
    bool double32 = false;
    bool hasMacros = false;
    ValueList macros; // each as written after -D: NAME or NAME=value
    LevelFlags optimization;
    bool postPass = false;
    bool stripLocals = false;
    bool debugInfo = false;
    bool icd = false;
    bool asmList = false;
    bool preprocessed = false;
    bool prototypes = false;
    bool asmOnly = false;
    LevelFlags warning;

    void Reset();
    void AddPatterns(OptionParser& parser);
};

struct LinkerOptions {
    static constexpr const char* kDefaultRoot = "$(TARGETBASE)";

    bool intel = false;
    bool binary = false;
    bool motorola = false;
    bool mapFile = false;
    bool segmentMap = false;
    bool fakeLocals = true;
    bool double32 = false;
    bool icd = false;
    LevelFlags warning;
    bool output = true;
    ValueList outputValues; // the first is the output file root

    // Every flag false but fake locals and output, which parsing never
    // clears: every parsed line keeps both.
    void Reset();
    void AddPatterns(OptionParser& parser);
};

// The compiler's macro definitions: -D followed (after optional blanks) by a
// name and optionally "=" and a value, quotes allowed in the value. Written
// back as -DNAME, blank-separated, in list order.
class MacroPattern final : public OptionPattern {
public:
    static constexpr const char* kPrefix = "-D";

    MacroPattern(bool* hasMacros, ValueList* macros);
    int Parse(OptionParser& engine, const char* text) override;
    const PatternEngine::RequiredPrefix* ParsePrefix() const override { return &prefix_; }
    // A definition that does not fit is left out whole.
    int Generate(OptionParser& engine, char* out, std::size_t capacity) override;

private:
    bool* hasMacros_;
    ValueList* macros_;
    PatternEngine::RequiredPrefix prefix_ = PatternEngine::RequiredPrefixOf(kPrefix); // taken literally
};

// The linker's output file: -O and a value, read back as its root and
// written as -O"<root>.hex".
class OutputFilePattern final : public OptionPattern {
public:
    static constexpr const char* kCtrl = "%n(-O)( )*%v(((\"[^\"]*\")|([^ ]+))+)";
    static constexpr const char* kPrefix = "-O\"";
    static constexpr const char* kSuffix = ".hex\"";

    OutputFilePattern(bool* output, ValueList* values);
    int Parse(OptionParser& engine, const char* text) override;
    // The base Parse takes the text.
    const PatternEngine::RequiredPrefix* ParsePrefix() const override { return &CtrlPrefix(); }
    // A root that does not fit is written as the default root (a truncation).
    int Generate(OptionParser& engine, char* out, std::size_t capacity) override;

    // The root of a captured -O value: the text between the first ")" and the
    // last "." (so "$(TARGETBASE).cof" gives the default root); a value
    // without ")", such as a root the page wrote, gives its own name between
    // the quotes and the last "."; a ")" in the root is dropped with all
    // before it, so that the root reads back as itself; the default root
    // when nothing is left.
    static std::string RootOf(const std::string& value);

private:
    bool* output_;
    ValueList* values_;
};

} // namespace suite::options
