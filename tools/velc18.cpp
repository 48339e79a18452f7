// velc18.exe: a small stand-in for the TARNIV VELC-18 toolchain driver.
//
// It is NOT the real toolchain.  It takes the command lines the Suite_TARNIV18
// plug-in composes, checks their switches, and writes the files the plug-in
// looks for: the object (-O"file") of an assembly or compilation, the target
// (-o / -O) and map file (-M"file") of a link, and the error file (-E"file").
// Faults it finds (an error directive, a missing include, a bad object) are
// reported as  Kind[nnn] <file> <line> : <text>  on stdout and in the error
// file.  tools/README.md documents the switches, conventions and formats.
//
// Exit codes: 0 success, 1 faults in the inputs, 2 bad command line,
// 3 an output file could not be written.

#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIo = 3;
constexpr int kMaxIncludeDepth = 16;
constexpr const char* kObjectHeader = "VELC18 OBJECT 1";

// One command-line argument: `raw` as written, `text` with the quotes removed.
struct Token {
    std::wstring raw;
    std::wstring text;
};

// Splits a command line the way the plug-in writes it: blanks and tabs outside
// double quotes separate arguments, every double quote toggles quoting and is
// dropped, backslashes are always literal (so -I"C:\inc\" is the directory
// C:\inc\ and does not swallow what follows, unlike CommandLineToArgvW).
std::vector<Token> Tokenize(const std::wstring& line) {
    std::vector<Token> out;
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    size_t i = 0;
    while (true) {
        while (i < line.size() && blank(line[i]))
            ++i;
        if (i == line.size())
            break;
        Token t;
        bool quoted = false;
        for (; i < line.size() && (quoted || !blank(line[i])); ++i) {
            t.raw += line[i];
            if (line[i] == L'"')
                quoted = !quoted;
            else
                t.text += line[i];
        }
        out.push_back(t);
    }
    return out;
}

// One byte per character, as the plug-in reads its text: codes 0..255 map to
// the byte of the same value, anything above becomes '?'.
std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s)
        out += (static_cast<unsigned>(c) <= 255) ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Widen(const std::string& s) {
    std::wstring out;
    for (char c : s)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

wchar_t Upper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix) {
    return s.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

bool IsAsciiDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool IsIdentStart(wchar_t c) {
    return c == L'_' || (Upper(c) >= L'A' && Upper(c) <= L'Z');
}
bool IsIdentChar(wchar_t c) {
    return IsIdentStart(c) || IsAsciiDigit(c);
}

// A warning or optimisation level: an integer from -10 to 10.
bool IsLevel(const std::wstring& s) {
    size_t i = (!s.empty() && s[0] == L'-') ? 1 : 0;
    if (i == s.size() || s.size() - i > 2)
        return false;
    int v = 0;
    for (; i < s.size(); ++i) {
        if (!IsAsciiDigit(s[i]))
            return false;
        v = v * 10 + (s[i] - L'0');
    }
    return v <= 10;
}

// A macro definition as written after -D: NAME or NAME=value.
bool IsMacroDefinition(const std::wstring& s) {
    if (s.empty() || !IsIdentStart(s[0]))
        return false;
    size_t i = 1;
    while (i < s.size() && IsIdentChar(s[i]))
        ++i;
    return i == s.size() || s[i] == L'=';
}

bool IsAnyOf(const std::wstring& raw, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names)
        if (EqualNoCase(raw, n))
            return true;
    return false;
}

struct Args {
    bool compile = false; // -C present: assemble or compile, else link
    bool quiet = false;   // -Q
    bool haveDevice = false;
    std::wstring device;              // suffix after the dash, e.g. 18X9
    std::vector<std::wstring> inputs; // source, or objects and libraries
    std::wstring objectFile, errorFile, mapFile;
    bool haveLowerOut = false, haveUpperOut = false;
    std::wstring lowerOut, upperOut; // first -o and first -O of a link
    std::vector<std::wstring> includeDirs;
    std::vector<std::wstring> options; // option switches as written
    std::vector<std::string> usage;    // command-line faults
};

void SetOnce(std::wstring& slot, const std::wstring& value, const char* what, Args& a) {
    if (value.empty())
        a.usage.push_back(std::string("empty file name for ") + what);
    else if (!slot.empty())
        a.usage.push_back(std::string("more than one ") + what);
    else
        slot = value;
}

// Compile-mode option switches (the assembler's -C -O -X are a subset of the
// compiler's; the language follows the input's suffix, not the switches).
// On success `recorded` holds the switch as it goes into the output's options.
bool CompileOption(const std::vector<Token>& toks, size_t& i, std::wstring& recorded) {
    const std::wstring& r = toks[i].raw;
    recorded = r;
    const std::wstring& t = toks[i].text;
    if (IsAnyOf(r, {L"-C", L"-O", L"-X", L"-G", L"-S", L"-ICD", L"-SIGNED_CHAR", L"-STRICT", L"-ASMLIST",
                    L"-PRE", L"-PROTO"}) ||
        r == L"-D32")
        return true;
    if (StartsWith(r, L"-Zg"))
        return IsLevel(t.substr(3));
    if (StartsWith(r, L"-W"))
        return IsLevel(t.substr(2));
    if (r == L"-D") { // -D NAME: the definition is the next argument
        if (i + 1 >= toks.size() || !IsMacroDefinition(toks[i + 1].text))
            return false;
        ++i;
        recorded = r + L" " + toks[i].raw;
        return true;
    }
    if (StartsWith(r, L"-D"))
        return IsMacroDefinition(t.substr(2));
    return false;
}

bool LinkOption(const std::wstring& r, const std::wstring& t) {
    if (IsAnyOf(r, {L"-INTEL", L"-BIN", L"-MOT", L"-PSECTMAP", L"-FAKELOCAL", L"-ICD"}) || r == L"-D32")
        return true;
    return StartsWith(r, L"-W") && IsLevel(t.substr(2));
}

Args Parse(const std::wstring& commandLine) {
    Args a;
    std::vector<Token> toks = Tokenize(commandLine);
    for (size_t i = 1; i < toks.size(); ++i)
        if (toks[i].raw == L"-C")
            a.compile = true;
    bool seenBaseC = false;
    for (size_t i = 1; i < toks.size(); ++i) {
        const std::wstring& r = toks[i].raw;
        const std::wstring& t = toks[i].text;
        if (r.empty() || r[0] != L'-') { // a quoted or plain file name
            a.inputs.push_back(t);
            continue;
        }
        if (r == L"-Q") {
            a.quiet = true;
            continue;
        }
        if (r == L"-VESKA")
            continue;
        if (r == L"-C" && !seenBaseC) {
            seenBaseC = true;
            continue;
        }
        if (StartsWith(r, L"-E")) {
            SetOnce(a.errorFile, t.substr(2), "error file (-E)", a);
            continue;
        }
        if (!a.haveDevice &&
            r.find(L'"') == std::wstring::npos) { // the first other unquoted switch names the device
            a.haveDevice = true;
            a.device = t.substr(1);
            continue;
        }
        if (a.compile) {
            std::wstring recorded;
            if (CompileOption(toks, i, recorded)) {
                a.options.push_back(recorded);
                continue;
            }
            if (StartsWith(r, L"-O")) {
                SetOnce(a.objectFile, t.substr(2), "object file (-O)", a);
                continue;
            }
            if (StartsWith(r, L"-I")) {
                if (t.size() > 2)
                    a.includeDirs.push_back(t.substr(2));
                continue;
            }
        } else {
            if (LinkOption(r, t)) {
                a.options.push_back(r);
                continue;
            }
            if (StartsWith(r, L"-o") || StartsWith(r, L"-O")) {
                std::wstring value = t.substr(2);
                if (r.size() == 2) { // -O name: the value is the next argument
                    if (i + 1 < toks.size())
                        value = toks[++i].text;
                }
                if (value.empty()) {
                    a.usage.push_back("empty output file name for " + Narrow(r.substr(0, 2)));
                    continue;
                }
                bool lower = r[1] == L'o';
                if (lower && !a.haveLowerOut) {
                    a.haveLowerOut = true;
                    a.lowerOut = value;
                }
                if (!lower && !a.haveUpperOut) {
                    a.haveUpperOut = true;
                    a.upperOut = value;
                }
                a.options.push_back(r.size() == 2 ? r + L" " + toks[i].raw : r);
                continue;
            }
            if (StartsWith(r, L"-M")) {
                SetOnce(a.mapFile, t.substr(2), "map file (-M)", a);
                a.options.push_back(r);
                continue;
            }
        }
        a.usage.push_back("unknown switch '" + Narrow(r) + "'");
    }
    if (!a.haveDevice)
        a.usage.push_back("no device selected (a dash followed by the device, e.g. -18X9)");
    if (a.compile) {
        if (a.inputs.size() != 1)
            a.usage.push_back("assembly and compilation take exactly one source file");
        if (a.objectFile.empty())
            a.usage.push_back("no object file (-O\"file\")");
    } else {
        if (a.inputs.empty())
            a.usage.push_back("nothing to link: no objects or libraries");
        if (!a.haveLowerOut && !a.haveUpperOut)
            a.usage.push_back("no output file (-o or -O)");
    }
    return a;
}

// ---------------------------------------------------------------------------

struct Report {
    std::vector<std::string> lines; // message lines, each ending in '\n'
    std::vector<bool> plain;        // command-line or I/O fault: goes to stderr
    int errors = 0;

    void Add(const char* kind, int number, const fs::path& file, long line, const std::string& text) {
        char head[32];
        std::snprintf(head, sizeof head, "%s[%03d] ", kind, number);
        lines.push_back(head + Narrow(file.wstring()) + " " + std::to_string(line) + " : " + text + "\n");
        plain.push_back(false);
        if (std::string(kind) == "Error")
            ++errors;
    }
    void Plain(const std::string& text) {
        lines.push_back("velc18: error: " + text + "\n");
        plain.push_back(true);
    }
};

fs::path Absolute(const fs::path& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    return (ec ? p : abs).lexically_normal();
}

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool ReadLines(const fs::path& p, std::vector<std::string>& lines) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return true;
}

bool WriteText(const fs::path& p, const std::vector<std::string>& lines) {
    std::error_code ec;
    if (p.has_parent_path())
        fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p); // text mode: CRLF line ends on Windows
    for (const std::string& l : lines)
        out << l;
    out.flush();
    return static_cast<bool>(out);
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

struct Unit {
    const Args& args;
    bool assembly;
    Report report;
    std::vector<fs::path> included;
    long sourceLines = 0;
};

fs::path FindInclude(const std::string& name, bool angled, const fs::path& includer, const Args& a) {
    fs::path n(Widen(name));
    if (n.is_absolute())
        return IsFile(n) ? n : fs::path();
    if (!angled && IsFile(includer.parent_path() / n))
        return includer.parent_path() / n;
    for (const std::wstring& dir : a.includeDirs)
        if (IsFile(fs::path(dir) / n))
            return fs::path(dir) / n;
    return fs::path();
}

// Reads one file and acts on its directive lines: a line whose first non-blank
// character is '#' (or, in assembly, '.') followed by include, error or warning.
void ProcessFile(Unit& u, const fs::path& file, int depth) {
    std::vector<std::string> lines;
    ReadLines(file, lines);
    if (depth == 0)
        u.sourceLines = static_cast<long>(lines.size());
    for (size_t n = 0; n < lines.size(); ++n) {
        long lineNo = static_cast<long>(n) + 1;
        std::string s = Trim(lines[n]);
        if (s.empty() || !(s[0] == '#' || (u.assembly && s[0] == '.')))
            continue;
        char lead = s[0];
        std::string rest = Trim(s.substr(1));
        size_t k = 0;
        while (k < rest.size() && std::isalpha(static_cast<unsigned char>(rest[k])))
            ++k;
        std::string word = rest.substr(0, k), text = Trim(rest.substr(k));
        if (word == "error") {
            u.report.Add("Error", 100, file, lineNo, lead + word + " directive: " + text);
        } else if (word == "warning") {
            u.report.Add("Warning", 200, file, lineNo, lead + word + " directive: " + text);
        } else if (word == "include") {
            char close = text.empty() ? 0 : (text[0] == '"' ? '"' : (text[0] == '<' ? '>' : 0));
            size_t end = close ? text.find(close, 1) : std::string::npos;
            if (end == std::string::npos || end == 1) {
                u.report.Add("Error", 104, file, lineNo, "malformed include directive");
                continue;
            }
            std::string name = text.substr(1, end - 1);
            fs::path found = FindInclude(name, close == '>', file, u.args);
            if (found.empty()) {
                u.report.Add("Error", 101, file, lineNo, "cannot open include file \"" + name + "\"");
            } else if (depth + 1 >= kMaxIncludeDepth) {
                u.report.Add("Error", 103, file, lineNo, "includes nested too deeply");
            } else {
                found = Absolute(found);
                u.included.push_back(found);
                ProcessFile(u, found, depth + 1);
            }
        }
    }
}

std::string OptionsText(const Args& a) {
    std::string s;
    for (const std::wstring& o : a.options)
        s += (s.empty() ? "" : " ") + Narrow(o);
    return s;
}

int Compile(const Args& a, Report& report) {
    fs::path source = Absolute(a.inputs[0]);
    std::wstring ext = source.extension().wstring();
    bool assembly = EqualNoCase(ext, L".as");
    if (!assembly && !EqualNoCase(ext, L".c")) {
        report.Plain("'" + Narrow(a.inputs[0]) + "' is neither an assembly (.as) nor a C (.c) source");
        return kExitUsage;
    }
    fs::path object = Absolute(a.objectFile);
    Unit u{a, assembly, {}, {}, 0};
    if (!IsFile(source))
        u.report.Add("Error", 102, source, 0, "cannot open source file");
    else
        ProcessFile(u, source, 0);
    report = u.report;
    std::error_code ec;
    if (report.errors) {
        fs::remove(object, ec); // no stale object from an earlier run
        return kExitFault;
    }
    std::vector<std::string> obj = {std::string(kObjectHeader) + "\n",
                                    std::string("tool: ") + (assembly ? "assembler" : "compiler") + "\n",
                                    "device: " + Narrow(a.device) + "\n",
                                    "source: " + Narrow(source.wstring()) + "\n",
                                    "lines: " + std::to_string(u.sourceLines) + "\n",
                                    "options: " + OptionsText(a) + "\n"};
    for (const fs::path& inc : u.included)
        obj.push_back("include: " + Narrow(inc.wstring()) + "\n");
    obj.push_back("end\n");
    if (!WriteText(object, obj)) {
        report.Plain("cannot write object file '" + Narrow(object.wstring()) + "'");
        return kExitIo;
    }
    return kExitOk;
}

int Link(const Args& a, Report& report) {
    fs::path target = Absolute(a.haveLowerOut ? a.lowerOut : a.upperOut);
    std::vector<std::string> body, map;
    long totalLines = 0;
    int objects = 0, libraries = 0;
    for (const std::wstring& in : a.inputs) {
        fs::path p = Absolute(in);
        if (EqualNoCase(p.extension().wstring(), L".lib")) {
            std::error_code ec;
            auto size = fs::file_size(p, ec);
            if (ec || !IsFile(p)) {
                report.Add("Error", 300, p, 0, "cannot open library file");
                continue;
            }
            body.push_back("library: " + Narrow(p.wstring()) + " bytes " + std::to_string(size) + "\n");
            map.push_back("library " + Narrow(p.wstring()) + "\n");
            ++libraries;
            continue;
        }
        std::vector<std::string> lines;
        if (!IsFile(p) || !ReadLines(p, lines)) {
            report.Add("Error", 300, p, 0, "cannot open object file");
            continue;
        }
        if (lines.empty() || lines[0] != kObjectHeader) {
            report.Add("Error", 301, p, 1, "not an object file made by velc18");
            continue;
        }
        std::string device, source, count;
        long deviceLine = 0;
        for (size_t n = 1; n < lines.size(); ++n) {
            if (lines[n].rfind("device: ", 0) == 0) {
                device = lines[n].substr(8);
                deviceLine = static_cast<long>(n) + 1;
            }
            if (lines[n].rfind("source: ", 0) == 0)
                source = lines[n].substr(8);
            if (lines[n].rfind("lines: ", 0) == 0)
                count = lines[n].substr(7);
        }
        if (device != Narrow(a.device)) {
            report.Add("Error", 302, p, deviceLine,
                       "object built for device '" + device + "', linking for '" + Narrow(a.device) + "'");
            continue;
        }
        body.push_back("object: " + Narrow(p.wstring()) + " source " + source + " lines " + count + "\n");
        map.push_back("object " + Narrow(p.wstring()) + " source " + source + " lines " + count + "\n");
        totalLines += std::atol(count.c_str());
        ++objects;
    }
    std::error_code ec;
    fs::path mapFile = a.mapFile.empty() ? fs::path() : Absolute(a.mapFile);
    if (report.errors) {
        fs::remove(target, ec);
        if (!mapFile.empty())
            fs::remove(mapFile, ec);
        return kExitFault;
    }
    bool mot = false, bin = false;
    for (const std::wstring& o : a.options) {
        mot = mot || EqualNoCase(o, L"-MOT");
        bin = bin || EqualNoCase(o, L"-BIN");
    }
    std::vector<std::string> out = {"VELC18 TARGET 1\n", "device: " + Narrow(a.device) + "\n",
                                    std::string("format: ") +
                                        (mot   ? "motorola"
                                         : bin ? "binary"
                                               : "intel") +
                                        "\n",
                                    "options: " + OptionsText(a) + "\n"};
    out.insert(out.end(), body.begin(), body.end());
    out.push_back("end\n");
    if (!WriteText(target, out)) {
        report.Plain("cannot write target file '" + Narrow(target.wstring()) + "'");
        return kExitIo;
    }
    if (!mapFile.empty()) {
        map.insert(map.begin(), {"VELC18 MAP 1\n", "target: " + Narrow(target.wstring()) + "\n",
                                 "device: " + Narrow(a.device) + "\n",
                                 std::to_string(objects) + " objects, " + std::to_string(libraries) +
                                     " libraries, " + std::to_string(totalLines) + " source lines\n"});
        if (!WriteText(mapFile, map)) {
            report.Plain("cannot write map file '" + Narrow(mapFile.wstring()) + "'");
            return kExitIo;
        }
    }
    return kExitOk;
}

std::wstring CommandLine(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return GetCommandLineW();
#else
    std::wstring line; // rebuild a line: quote only arguments holding blanks
    for (int i = 0; i < argc; ++i) {
        std::wstring arg = Widen(argv[i]);
        bool blank = arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos;
        line += (blank ? L"\"" + arg + L"\"" : arg) + L" ";
    }
    return line;
#endif
}

} // namespace

int main(int argc, char** argv) {
    Args a = Parse(CommandLine(argc, argv));
    Report report;
    int rc;
    if (!a.usage.empty()) {
        for (const std::string& u : a.usage)
            report.Plain(u);
        rc = kExitUsage;
    } else {
        if (!a.quiet)
            std::printf("VELC-18 stand-in driver (not the TARNIV toolchain)\n");
        rc = a.compile ? Compile(a, report) : Link(a, report);
    }
    for (size_t i = 0; i < report.lines.size(); ++i)
        std::fputs(report.lines[i].c_str(), report.plain[i] ? stderr : stdout);
    std::fflush(stdout);
    if (!a.errorFile.empty() && !WriteText(Absolute(a.errorFile), report.lines)) {
        std::fprintf(stderr, "velc18: error: cannot write error file '%s'\n", Narrow(a.errorFile).c_str());
        if (rc == kExitOk)
            rc = kExitIo;
    }
    return rc;
}
