#include "tool_options.h"

#include <cstring>

namespace suite::options {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsNameChar(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

// Appends text to out (holding used characters of capacity, terminator
// included) when it fits whole; false, out unchanged, when it does not.
bool AppendWhole(char* out, std::size_t capacity, std::size_t& used, const std::string& text) {
    if (used + text.size() + 1 > capacity)
        return false;
    std::memcpy(out + used, text.data(), text.size());
    used += text.size();
    out[used] = '\0';
    return true;
}

} // namespace

// --- The three tools ---

void AssemblerOptions::Reset() {
    *this = AssemblerOptions();
}

void AssemblerOptions::AddPatterns(OptionParser& parser) {
    parser.AddPattern("%n(-[cC])($| )", &crossReference);
    parser.AddPattern("%n(-[oO])($| )", &optimize);
    parser.AddPattern("%n(-[xX])($| )", &stripLocals);
}

void CompilerOptions::Reset() {
    signedChar = strict = double32 = hasMacros = false;
    macros.clear();
    optimization.Clear();
    postPass = stripLocals = debugInfo = icd = false;
    asmList = preprocessed = prototypes = asmOnly = false;
    warning.Clear();
}

void CompilerOptions::AddPatterns(OptionParser& parser) {
    parser.AddPattern("%n(-[sS][iI][gG][nN][eE][dD]_[cC][hH][aA][rR])($| )", &signedChar);
    parser.AddPattern("%n(-[sS][tT][rR][iI][cC][tT])($| )", &strict);
    parser.AddPattern("%n(-D32)($| )", &double32);
    parser.AddPattern(std::make_unique<MacroPattern>(&hasMacros, &macros));
    optimization.AddPatterns(parser, "-Zg");
    parser.AddPattern("%n(-[oO])($| )", &postPass);
    parser.AddPattern("%n(-[xX])($| )", &stripLocals);
    parser.AddPattern("%n(-[gG])($| )", &debugInfo);
    parser.AddPattern("%n(-[iI][cC][dD])($| )", &icd);
    parser.AddPattern("%n(-[aA][sS][mM][lL][iI][sS][tT])($| )", &asmList);
    parser.AddPattern("%n(-[pP][rR][eE])($| )", &preprocessed);
    parser.AddPattern("%n(-[pP][rR][oO][tT][oO])($| )", &prototypes);
    parser.AddPattern("%n(-[sS])($| )", &asmOnly);
    warning.AddPatterns(parser, "-W");
}

void LinkerOptions::Reset() {
    intel = binary = motorola = mapFile = segmentMap = double32 = icd = false;
    warning.Clear();
    outputValues.clear();
    fakeLocals = true;
    output = true;
}

void LinkerOptions::AddPatterns(OptionParser& parser) {
    parser.AddPattern("%n(-[iI][nN][tT][eE][lL])($| )", &intel);
    parser.AddPattern("%n(-[bB][iI][nN])($| )", &binary);
    parser.AddPattern("%n(-[mM][oO][tT])($| )", &motorola);
    parser.AddPattern("%n(-M\"\\$\\(TARGETBASE\\)\\.map\")($| )", &mapFile);
    parser.AddPattern("%n(-[pP][sS][eE][cC][tT][mM][aA][pP])($| )", &segmentMap);
    parser.AddPattern("%n(-[fF][aA][kK][eE][lL][oO][cC][aA][lL])($| )", &fakeLocals);
    parser.AddPattern("%n(-D32)($| )", &double32);
    parser.AddPattern("%n(-[iI][cC][dD])($| )", &icd);
    warning.AddPatterns(parser, "-W");
    parser.AddPattern(std::make_unique<OutputFilePattern>(&output, &outputValues));
}

// --- MacroPattern ---

MacroPattern::MacroPattern(bool* hasMacros, ValueList* macros)
    : OptionPattern(nullptr, "<dummy>", std::make_unique<OptionBinding>(hasMacros, macros)),
      hasMacros_(hasMacros), macros_(macros) {}

int MacroPattern::Parse(OptionParser&, const char* text) {
    const std::size_t prefixLength = std::strlen(kPrefix);
    if (!text || std::strncmp(text, kPrefix, prefixLength) != 0)
        return 0;
    const char* p = text + prefixLength;
    while (IsBlank(*p))
        ++p;
    const char* definition = p;
    if (!(IsLetter(*p) || *p == '_'))
        return 0;
    while (IsNameChar(*p))
        ++p;
    if (*p != '\0' && !IsBlank(*p)) {
        if (*p != '=')
            return 0;
        ++p;
        while (*p != '\0' && !IsBlank(*p)) {
            if (*p == '"' || *p == '\'') {
                const char* close = std::strchr(p + 1, *p);
                if (!close)
                    return 0;
                p = close;
            }
            ++p;
        }
    }
    *hasMacros_ = true;
    macros_->emplace_back(definition, p);
    return static_cast<int>(p - text);
}

int MacroPattern::Generate(OptionParser& engine, char* out, std::size_t capacity) {
    if (!out || capacity == 0 || !*hasMacros_)
        return 0;
    out[0] = '\0';
    std::size_t used = 0;
    for (const std::string& macro : *macros_) {
        const std::string option = (used > 0 ? " " : "") + std::string(kPrefix) + macro;
        if (!AppendWhole(out, capacity, used, option))
            engine.NoteTruncation();
    }
    return static_cast<int>(used);
}

// --- OutputFilePattern ---

OutputFilePattern::OutputFilePattern(bool* output, ValueList* values)
    : OptionPattern(nullptr, kCtrl, std::make_unique<OptionBinding>(output, values)), output_(output),
      values_(values) {}

std::string OutputFilePattern::RootOf(const std::string& value) {
    const std::size_t dot = value.rfind('.');
    const std::size_t paren = value.find(')');
    std::size_t begin = 0;
    std::size_t end = dot;
    if (paren != std::string::npos) {
        begin = paren + 1;
    } else {
        // A root the page itself wrote, such as "out.hex": keep it, or opening
        // the page again and pressing OK would lose the user's name.
        begin = !value.empty() && value[0] == '"' ? 1 : 0;
        if (end == std::string::npos)
            end = value.size() > begin && value.back() == '"' ? value.size() - 1 : value.size();
    }
    if (end == std::string::npos || end <= begin)
        return LinkerOptions::kDefaultRoot;
    std::string root = value.substr(begin, end - begin);
    // Written back, a ")" in the root would be read as the end of a macro:
    // keep only what follows the last one, as the next reading would.
    const std::size_t rootParen = root.rfind(')');
    if (rootParen != std::string::npos)
        root.erase(0, rootParen + 1);
    return root.empty() ? LinkerOptions::kDefaultRoot : root;
}

int OutputFilePattern::Parse(OptionParser& engine, const char* text) {
    const std::size_t before = values_->size();
    const int taken = OptionPattern::Parse(engine, text);
    if (taken > 0 && values_->size() > before) {
        // Generation writes only the first value: a later -O adds nothing.
        std::string root = RootOf(values_->back());
        values_->resize(before);
        if (before == 0)
            values_->push_back(std::move(root));
    }
    return taken;
}

int OutputFilePattern::Generate(OptionParser& engine, char* out, std::size_t capacity) {
    if (!out || capacity == 0 || !*output_)
        return 0;
    out[0] = '\0';
    const std::string defaultRoot = LinkerOptions::kDefaultRoot;
    const std::string& root = values_->empty() ? defaultRoot : values_->front();
    std::size_t used = 0;
    if (AppendWhole(out, capacity, used, kPrefix + root + kSuffix))
        return static_cast<int>(used);
    // A line without -O reads back as the default root (parsing never clears
    // the output flag): write that, so the line reads back as itself.
    engine.NoteTruncation();
    if (root != defaultRoot && AppendWhole(out, capacity, used, kPrefix + defaultRoot + kSuffix))
        return static_cast<int>(used);
    return 0;
}

} // namespace suite::options
