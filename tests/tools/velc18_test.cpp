// Runs the stand-in driver velc18.exe as a child process (CreateProcessW) on
// real files in a temporary directory whose name holds a blank, with command
// lines written the way the plug-in writes them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::wstring Widen(const std::string& s) {
    std::wstring w;
    for (char c : s)
        w += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

std::string Narrow(const std::wstring& s) {
    std::string n;
    for (wchar_t c : s)
        n += static_cast<unsigned>(c) <= 255 ? static_cast<char>(c) : '?';
    return n;
}

// The build passes the host's path of the driver; under Wine a Unix path is
// reached through drive Z:.
std::wstring DriverPath() {
    std::wstring p = Widen(VELC18_EXE);
    if (!p.empty() && p[0] == L'/') {
        for (wchar_t& c : p)
            if (c == L'/')
                c = L'\\';
        p = L"Z:" + p;
    }
    return p;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WithoutCr(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

std::vector<std::string> Lines(const fs::path& p) {
    std::vector<std::string> out;
    std::istringstream in(ReadAll(p));
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        out.push_back(l);
    }
    return out;
}

void Write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// Quoted as the plug-in quotes paths.
std::wstring Q(const fs::path& p) {
    return L"\"" + p.wstring() + L"\"";
}

class Velc18 : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, tmp), 0u);
        static int counter = 0;
        dir_ = fs::path(tmp) /
               (L"velc18 test " + std::to_wstring(GetCurrentProcessId()) + L" " + std::to_wstring(++counter));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        dir_ = fs::canonical(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs the driver with `args` after its quoted path, in `cwd` (default: the
    // test directory); returns the exit code and keeps stdout and stderr.
    int Run(const std::wstring& args, const fs::path& cwd = {}) {
        fs::path outFile = dir_ / L"~stdout.txt", errFile = dir_ / L"~stderr.txt";
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE out =
            CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        HANDLE err =
            CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(out, INVALID_HANDLE_VALUE);
        EXPECT_NE(err, INVALID_HANDLE_VALUE);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = out;
        si.hStdError = err;
        PROCESS_INFORMATION pi{};
        std::wstring line = Q(DriverPath()) + L" " + args;
        std::vector<wchar_t> buf(line.begin(), line.end());
        buf.push_back(L'\0');
        fs::path wd = cwd.empty() ? dir_ : cwd;
        BOOL ok =
            CreateProcessW(nullptr, buf.data(), nullptr, nullptr, TRUE, 0, nullptr, wd.c_str(), &si, &pi);
        CloseHandle(out);
        CloseHandle(err);
        EXPECT_TRUE(ok) << "cannot start " << Narrow(DriverPath());
        if (!ok)
            return -1;
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        stdout_ = WithoutCr(ReadAll(outFile)); // the console streams are text mode
        stderr_ = WithoutCr(ReadAll(errFile));
        fs::remove(outFile);
        fs::remove(errFile);
        return static_cast<int>(code);
    }

    // The assembler's and the compiler's base lines after macro expansion, with
    // the option text appended.
    std::wstring AsmLine(const fs::path& src, const fs::path& tmp, const std::wstring& opts = L"") {
        std::wstring base = src.stem().wstring();
        return L"-Q -VESKA -C -18X9 " + Q(src) + L" -O" + Q(tmp / (base + L".obj")) + L" -E" +
               Q(tmp / (base + L".ase")) + (opts.empty() ? L"" : L" " + opts);
    }
    std::wstring CcLine(const fs::path& src, const fs::path& tmp, const std::wstring& opts = L"-G") {
        std::wstring base = src.stem().wstring();
        return L"-Q -VESKA -C -E" + Q(tmp / (base + L".cce")) + L" -18X9 " + Q(src) + L" -O" +
               Q(tmp / (base + L".obj")) + (opts.empty() ? L"" : L" " + opts);
    }
    std::wstring LdLine(const std::vector<fs::path>& inputs, const std::wstring& opts) {
        std::wstring line = L"-Q -VESKA -E" + Q(dir_ / L"proj.lde") + L" -18X9";
        for (const fs::path& p : inputs)
            line += L" " + Q(p);
        return line + L" " + opts;
    }

    // The message form the plug-in reads back.
    static std::string Msg(const char* head, const fs::path& file, int line, const std::string& text) {
        return std::string(head) + " " + Narrow(file.wstring()) + " " + std::to_string(line) + " : " + text;
    }

    fs::path dir_;
    std::string stdout_, stderr_;
};

TEST_F(Velc18, AssembleWritesObjectAndEmptyErrorFile) {
    fs::path src = dir_ / L"main.as";
    Write(src, "start:\n  nop\n  goto start\n");
    fs::path tmp = dir_ / L"tmp dir"; // does not exist yet: the driver creates it
    EXPECT_EQ(Run(AsmLine(src, tmp)), 0) << stdout_ << stderr_;
    std::vector<std::string> obj = Lines(tmp / L"main.obj");
    ASSERT_GE(obj.size(), 6u);
    EXPECT_EQ(obj[0], "VELC18 OBJECT 1");
    EXPECT_EQ(obj[1], "tool: assembler");
    EXPECT_EQ(obj[2], "device: 18X9");
    EXPECT_EQ(obj[3], "source: " + Narrow(src.wstring()));
    EXPECT_EQ(obj[4], "lines: 3");
    EXPECT_EQ(obj.back(), "end");
    ASSERT_TRUE(fs::exists(tmp / L"main.ase"));
    EXPECT_EQ(ReadAll(tmp / L"main.ase"), "");
    EXPECT_EQ(stdout_, ""); // -Q: no banner, and nothing to report
}

TEST_F(Velc18, CompileWritesObjectAndEmptyErrorFile) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int main(void) { return 0; }\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 0) << stdout_ << stderr_;
    std::vector<std::string> obj = Lines(dir_ / L"main.obj");
    ASSERT_GE(obj.size(), 6u);
    EXPECT_EQ(obj[1], "tool: compiler");
    EXPECT_EQ(obj[5], "options: -G");
    EXPECT_TRUE(fs::exists(dir_ / L"main.cce"));
    EXPECT_EQ(ReadAll(dir_ / L"main.cce"), "");
}

TEST_F(Velc18, RelativePathsResolveAgainstWorkingDirectory) {
    fs::path src = dir_ / L"src" / L"m.c";
    Write(src, "int x;\n");
    EXPECT_EQ(Run(L"-Q -VESKA -C -E\"m.cce\" -18X9 \"m.c\" -O\"out\\m.obj\"", dir_ / L"src"), 0) << stderr_;
    EXPECT_TRUE(fs::exists(dir_ / L"src" / L"out" / L"m.obj"));
    EXPECT_TRUE(fs::exists(dir_ / L"src" / L"m.cce"));
}

TEST_F(Velc18, ErrorDirectiveInCFails) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\r\n\r\n  #error boom here\r\nint b;\r\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    std::string expected = Msg("Error[100]", src, 3, "#error directive: boom here");
    EXPECT_EQ(Lines(dir_ / L"main.cce"), std::vector<std::string>{expected});
    EXPECT_EQ(stdout_, expected + "\n");
    EXPECT_FALSE(fs::exists(dir_ / L"main.obj"));
}

TEST_F(Velc18, ErrorDirectivesInAssemblyAllReported) {
    fs::path src = dir_ / L"main.as";
    Write(src, "  nop\n.error first\n#error second\n");
    EXPECT_EQ(Run(AsmLine(src, dir_)), 1);
    EXPECT_EQ(Lines(dir_ / L"main.ase"),
              (std::vector<std::string>{Msg("Error[100]", src, 2, ".error directive: first"),
                                        Msg("Error[100]", src, 3, "#error directive: second")}));
}

TEST_F(Velc18, DotDirectivesAreNotCDirectives) {
    fs::path src = dir_ / L"main.c";
    Write(src, ".error not a directive in C\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 0) << stdout_;
}

TEST_F(Velc18, WarningDirectiveReportedButSucceeds) {
    fs::path src = dir_ / L"main.c";
    Write(src, "#warning check this\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 0);
    EXPECT_EQ(Lines(dir_ / L"main.cce"),
              std::vector<std::string>{Msg("Warning[200]", src, 1, "#warning directive: check this")});
    EXPECT_TRUE(fs::exists(dir_ / L"main.obj"));
}

TEST_F(Velc18, FaultRemovesStaleObjectAndRewritesErrorFile) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n");
    ASSERT_EQ(Run(CcLine(src, dir_)), 0);
    ASSERT_TRUE(fs::exists(dir_ / L"main.obj"));
    Write(src, "#error now broken\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    EXPECT_FALSE(fs::exists(dir_ / L"main.obj"));
    EXPECT_EQ(Lines(dir_ / L"main.cce").size(), 1u);
    Write(src, "int a;\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 0);
    EXPECT_EQ(ReadAll(dir_ / L"main.cce"), ""); // no stale messages echoed
}

TEST_F(Velc18, MissingSourceIsAFault) {
    fs::path src = dir_ / L"gone.c";
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    EXPECT_EQ(Lines(dir_ / L"gone.cce"),
              std::vector<std::string>{Msg("Error[102]", src, 0, "cannot open source file")});
}

TEST_F(Velc18, MissingIncludeIsAFault) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n#include \"nothere.h\"\n#include <sys.h>\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    EXPECT_EQ(Lines(dir_ / L"main.cce"),
              (std::vector<std::string>{Msg("Error[101]", src, 2, "cannot open include file \"nothere.h\""),
                                        Msg("Error[101]", src, 3, "cannot open include file \"sys.h\"")}));
}

TEST_F(Velc18, IncludeFoundBesideSourceAndViaI) {
    fs::path src = dir_ / L"main.c";
    fs::path inc = dir_ / L"inc dir";
    Write(dir_ / L"local.h", "int l;\n");
    Write(inc / L"defs.h", "int d;\n#warning in header\n");
    Write(inc / L"sys.h", "int s;\n");
    Write(src, "#include \"local.h\"\n# include \"defs.h\"\n#include <sys.h>\n");
    EXPECT_EQ(Run(CcLine(src, dir_) + L" -I" + Q(inc)), 0) << stdout_;
    EXPECT_EQ(Lines(dir_ / L"main.cce"), std::vector<std::string>{Msg("Warning[200]", inc / L"defs.h", 2,
                                                                      "#warning directive: in header")});
    std::vector<std::string> obj = Lines(dir_ / L"main.obj");
    EXPECT_NE(std::find(obj.begin(), obj.end(), "include: " + Narrow((dir_ / L"local.h").wstring())),
              obj.end());
    EXPECT_NE(std::find(obj.begin(), obj.end(), "include: " + Narrow((inc / L"defs.h").wstring())),
              obj.end());
    EXPECT_NE(std::find(obj.begin(), obj.end(), "include: " + Narrow((inc / L"sys.h").wstring())), obj.end());
}

TEST_F(Velc18, FaultInIncludedFileNamesThatFile) {
    fs::path src = dir_ / L"main.as";
    fs::path inc = dir_ / L"ain";
    Write(inc / L"regs.inc", "  nop\n  nop\n.error bad register\n");
    Write(src, "  .include \"regs.inc\"\n");
    EXPECT_EQ(Run(AsmLine(src, dir_) + L" -I" + Q(inc)), 1);
    EXPECT_EQ(Lines(dir_ / L"main.ase"), std::vector<std::string>{Msg("Error[100]", inc / L"regs.inc", 3,
                                                                      ".error directive: bad register")});
}

TEST_F(Velc18, IncludeDirWithTrailingBackslashDoesNotSwallowNextArgument) {
    fs::path src = dir_ / L"main.c";
    Write(dir_ / L"b" / L"x.h", "int x;\n");
    fs::create_directories(dir_ / L"a");
    Write(src, "#include \"x.h\"\n");
    std::wstring a = (dir_ / L"a").wstring() + L"\\";
    std::wstring b = (dir_ / L"b").wstring() + L"\\";
    EXPECT_EQ(Run(CcLine(src, dir_, L"-G") + L" -I\"" + a + L"\" -I\"" + b + L"\""), 0) << stdout_ << stderr_;
}

TEST_F(Velc18, SelfIncludeStopsAtDepthLimit) {
    fs::path src = dir_ / L"main.c";
    Write(dir_ / L"loop.h", "#include \"loop.h\"\n");
    Write(src, "#include \"loop.h\"\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    std::vector<std::string> lines = Lines(dir_ / L"main.cce");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], Msg("Error[103]", dir_ / L"loop.h", 1, "includes nested too deeply"));
}

TEST_F(Velc18, MalformedIncludeIsAFault) {
    fs::path src = dir_ / L"main.c";
    Write(src, "#include nothing\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    EXPECT_EQ(Lines(dir_ / L"main.cce"),
              std::vector<std::string>{Msg("Error[104]", src, 1, "malformed include directive")});
}

TEST_F(Velc18, BareIncludeSwitchAccepted) {
    fs::path src = dir_ / L"main.as";
    Write(src, "  nop\n");
    EXPECT_EQ(Run(AsmLine(src, dir_) + L" -I"), 0) << stderr_;
}

TEST_F(Velc18, LanguageFollowsSuffixNotTheToolsLine) {
    // Compile on an assembly source: the compiler's line, an .as input.
    fs::path src = dir_ / L"boot.as";
    Write(src, ".error asm syntax\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    EXPECT_EQ(Lines(dir_ / L"boot.cce"),
              std::vector<std::string>{Msg("Error[100]", src, 1, ".error directive: asm syntax")});
}

TEST_F(Velc18, UnknownSuffixRejected) {
    fs::path src = dir_ / L"notes.txt";
    Write(src, "x\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 2);
    EXPECT_NE(stderr_.find("neither an assembly"), std::string::npos) << stderr_;
}

TEST_F(Velc18, AllAssemblerSwitchesAccepted) {
    fs::path src = dir_ / L"main.as";
    Write(src, "  nop\n");
    EXPECT_EQ(Run(AsmLine(src, dir_, L"-C -O -X")), 0) << stderr_;
    EXPECT_EQ(Lines(dir_ / L"main.obj")[5], "options: -C -O -X");
    EXPECT_EQ(Run(AsmLine(src, dir_, L"-c -o -x")), 0) << stderr_;
    EXPECT_EQ(Run(AsmLine(src, dir_, L"")), 0) << stderr_; // the default, empty text
}

TEST_F(Velc18, AllCompilerSwitchesAccepted) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n");
    std::wstring opts =
        L"-SIGNED_CHAR -STRICT -D32 -DDEBUG -DLEVEL=2 -D NAME -DNAME=\"a b\" -Zg-10 -Zg5 -Zg10 -O -X -G "
        L"-ICD -ASMLIST -PRE -PROTO -S -W-10 -W-1 -W3 -W10";
    EXPECT_EQ(Run(CcLine(src, dir_, opts)), 0) << stderr_;
    EXPECT_EQ(
        Lines(dir_ / L"main.obj")[5],
        "options: -SIGNED_CHAR -STRICT -D32 -DDEBUG -DLEVEL=2 -D NAME -DNAME=\"a b\" -Zg-10 -Zg5 -Zg10 -O -X "
        "-G -ICD -ASMLIST -PRE -PROTO -S -W-10 -W-1 -W3 -W10");
    EXPECT_EQ(Run(CcLine(src, dir_, L"-signed_char -strict -o -x -g -icd -asmlist -pre -proto -s")), 0)
        << stderr_;
    EXPECT_EQ(Run(CcLine(src, dir_, L"")), 0) << stderr_;
}

TEST_F(Velc18, BadOptionValuesRejected) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n");
    for (const wchar_t* bad :
         {L"-W11", L"-Zg", L"-Zgx", L"-D9X", L"-DNAME-", L"-D", L"-w3", L"-MOT", L"-BOGUS"}) {
        EXPECT_EQ(Run(CcLine(src, dir_, bad)), 2) << Narrow(bad);
        EXPECT_NE(stderr_.find("velc18: error: unknown switch"), std::string::npos) << Narrow(bad) << stderr_;
    }
}

TEST_F(Velc18, CommandLineFaultGoesToErrorFileToo) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n");
    EXPECT_EQ(Run(CcLine(src, dir_, L"-G -BOGUS")), 2);
    EXPECT_EQ(Lines(dir_ / L"main.cce"), std::vector<std::string>{"velc18: error: unknown switch '-BOGUS'"});
    EXPECT_EQ(stdout_, "");
    EXPECT_FALSE(fs::exists(dir_ / L"main.obj"));
}

TEST_F(Velc18, MissingPiecesRejected) {
    fs::path src = dir_ / L"main.c";
    Write(src, "int a;\n");
    EXPECT_EQ(Run(L"-Q -VESKA -C " + Q(src) + L" -O\"main.obj\""), 2); // no device
    EXPECT_NE(stderr_.find("no device"), std::string::npos);
    EXPECT_EQ(Run(L"-Q -VESKA -C -18X9 " + Q(src)), 2); // no object
    EXPECT_NE(stderr_.find("no object file"), std::string::npos);
    EXPECT_EQ(Run(L"-Q -VESKA -C -18X9 " + Q(src) + L" " + Q(src) + L" -O\"m.obj\""), 2);
    EXPECT_EQ(Run(L"-Q -VESKA -C -18X9 " + Q(src) + L" -O\"\""), 2);
    EXPECT_EQ(Run(L"-Q -VESKA -C -E\"a.cce\" -E\"b.cce\" -18X9 " + Q(src) + L" -O\"m.obj\""), 2);
    EXPECT_EQ(Run(L"-Q -VESKA -18X9 \"x.obj\""), 2); // link without an output
    EXPECT_NE(stderr_.find("no output file"), std::string::npos);
    EXPECT_EQ(Run(L"-Q -VESKA -18X9 -O\"t.cof\""), 2); // nothing to link
}

TEST_F(Velc18, EmptyDeviceSuffixAccepted) {
    fs::path src = dir_ / L"main.as";
    Write(src, "  nop\n");
    EXPECT_EQ(Run(L"-Q -VESKA -C - " + Q(src) + L" -O\"m.obj\""), 0) << stderr_;
    EXPECT_EQ(Lines(dir_ / L"m.obj")[2], "device: ");
}

TEST_F(Velc18, BannerUnlessQuiet) {
    fs::path src = dir_ / L"main.as";
    Write(src, "  nop\n");
    EXPECT_EQ(Run(L"-VESKA -C -18X9 " + Q(src) + L" -O\"m.obj\""), 0);
    EXPECT_EQ(stdout_.rfind("VELC-18 stand-in driver", 0), 0u) << stdout_;
}

TEST_F(Velc18, NonAsciiPathWrittenOneBytePerCharacter) {
    fs::path src = dir_ / L"caf\u00e9" / L"main.c";
    Write(src, "#error x\n");
    EXPECT_EQ(Run(CcLine(src, dir_)), 1);
    std::string text = ReadAll(dir_ / L"main.cce");
    EXPECT_NE(text.find("caf\xe9\\main.c 1 : #error directive: x"), std::string::npos) << text;
}

class Velc18Link : public Velc18 {
protected:
    void SetUp() override {
        Velc18::SetUp();
        Write(dir_ / L"src" / L"a.as", "  nop\n  nop\n");
        Write(dir_ / L"src" / L"b.c", "int b;\n");
        ASSERT_EQ(Run(AsmLine(dir_ / L"src" / L"a.as", dir_ / L"obj")), 0) << stderr_;
        ASSERT_EQ(Run(CcLine(dir_ / L"src" / L"b.c", dir_ / L"obj")), 0) << stderr_;
        a_ = dir_ / L"obj" / L"a.obj";
        b_ = dir_ / L"obj" / L"b.obj";
    }
    fs::path a_, b_;
};

TEST_F(Velc18Link, DefaultTextWritesTargetAndEmptyErrorFile) {
    EXPECT_EQ(Run(LdLine({a_, b_}, L"-O\"proj.cof\"")), 0) << stdout_ << stderr_;
    std::vector<std::string> t = Lines(dir_ / L"proj.cof");
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0], "VELC18 TARGET 1");
    EXPECT_EQ(t[1], "device: 18X9");
    EXPECT_EQ(t[2], "format: intel");
    EXPECT_EQ(t[3], "options: -O\"proj.cof\"");
    EXPECT_EQ(t[4], "object: " + Narrow(a_.wstring()) + " source " +
                        Narrow((dir_ / L"src" / L"a.as").wstring()) + " lines 2");
    EXPECT_EQ(t[6], "end");
    EXPECT_EQ(ReadAll(dir_ / L"proj.lde"), "");
    EXPECT_FALSE(fs::exists(dir_ / L"proj.map"));
}

TEST_F(Velc18Link, AllLinkerSwitchesAndMapFile) {
    EXPECT_EQ(
        Run(LdLine({a_, b_}, L"-INTEL -BIN -MOT -M\"proj.map\" -PSECTMAP -FAKELOCAL -D32 -ICD -W-10 -W10 "
                             L"-O\"proj.hex\"")),
        0)
        << stderr_;
    EXPECT_EQ(Lines(dir_ / L"proj.hex")[2], "format: motorola");
    std::vector<std::string> map = Lines(dir_ / L"proj.map");
    ASSERT_EQ(map.size(), 6u);
    EXPECT_EQ(map[0], "VELC18 MAP 1");
    EXPECT_EQ(map[1], "target: " + Narrow((dir_ / L"proj.hex").wstring()));
    EXPECT_EQ(map[3], "2 objects, 0 libraries, 3 source lines");
    EXPECT_EQ(Run(LdLine({a_}, L"-intel -bin -psectmap -fakelocal -icd -O\"x.hex\"")), 0) << stderr_;
    EXPECT_EQ(Lines(dir_ / L"x.hex")[2], "format: binary");
}

TEST_F(Velc18Link, MapSwitchIsNotMot) {
    EXPECT_EQ(Run(LdLine({a_}, L"-M\"OT\" -O\"p.hex\"")), 0) << stderr_;
    EXPECT_TRUE(fs::exists(dir_ / L"OT"));
    EXPECT_EQ(Lines(dir_ / L"p.hex")[2], "format: intel");
}

TEST_F(Velc18Link, FirstLowerOWinsAndValueMayFollowABlank) {
    EXPECT_EQ(Run(LdLine({a_}, L"-O\"first.cof\" -o \"out dir\\second.hex\" -o\"third.hex\"")), 0) << stderr_;
    EXPECT_TRUE(fs::exists(dir_ / L"out dir" / L"second.hex"));
    EXPECT_FALSE(fs::exists(dir_ / L"first.cof"));
    EXPECT_FALSE(fs::exists(dir_ / L"third.hex"));
}

TEST_F(Velc18Link, RelativeTargetInWorkingDirectory) {
    fs::create_directories(dir_ / L"bin");
    EXPECT_EQ(Run(LdLine({a_}, L"-FAKELOCAL -O\"proj.hex\""), dir_ / L"bin"), 0) << stderr_;
    EXPECT_TRUE(fs::exists(dir_ / L"bin" / L"proj.hex"));
}

TEST_F(Velc18Link, MissingObjectFails) {
    fs::path gone = dir_ / L"obj" / L"gone.obj";
    Write(dir_ / L"proj.hex", "stale\n");
    EXPECT_EQ(Run(LdLine({a_, gone}, L"-M\"proj.map\" -O\"proj.hex\"")), 1);
    std::string expected = Msg("Error[300]", gone, 0, "cannot open object file");
    EXPECT_EQ(Lines(dir_ / L"proj.lde"), std::vector<std::string>{expected});
    EXPECT_EQ(stdout_, expected + "\n");
    EXPECT_FALSE(fs::exists(dir_ / L"proj.hex"));
    EXPECT_FALSE(fs::exists(dir_ / L"proj.map"));
}

TEST_F(Velc18Link, ForeignObjectFails) {
    fs::path foreign = dir_ / L"foreign.obj";
    Write(foreign, "MZ not ours\n");
    EXPECT_EQ(Run(LdLine({a_, foreign}, L"-O\"proj.cof\"")), 1);
    EXPECT_EQ(Lines(dir_ / L"proj.lde"),
              std::vector<std::string>{Msg("Error[301]", foreign, 1, "not an object file made by velc18")});
}

TEST_F(Velc18Link, DeviceMismatchFails) {
    fs::path other = dir_ / L"other.obj";
    fs::path src = dir_ / L"src" / L"other.as";
    Write(src, "  nop\n");
    ASSERT_EQ(Run(L"-Q -VESKA -C -18F4 " + Q(src) + L" -O" + Q(other)), 0);
    EXPECT_EQ(Run(LdLine({a_, other}, L"-O\"proj.cof\"")), 1);
    EXPECT_EQ(Lines(dir_ / L"proj.lde"),
              std::vector<std::string>{
                  Msg("Error[302]", other, 3, "object built for device '18F4', linking for '18X9'")});
}

TEST_F(Velc18Link, LibrariesMustExist) {
    fs::path lib = dir_ / L"lib dir" / L"c.lib";
    Write(lib, "any content\n");
    EXPECT_EQ(Run(LdLine({a_, lib}, L"-M\"p.map\" -O\"p.cof\"")), 0) << stderr_;
    EXPECT_EQ(Lines(dir_ / L"p.cof")[5], "library: " + Narrow(lib.wstring()) + " bytes 12");
    EXPECT_EQ(Lines(dir_ / L"p.map")[3], "1 objects, 1 libraries, 2 source lines");
    fs::path gone = dir_ / L"gone.LIB";
    EXPECT_EQ(Run(LdLine({a_, gone}, L"-O\"p.cof\"")), 1);
    EXPECT_EQ(Lines(dir_ / L"proj.lde"),
              std::vector<std::string>{Msg("Error[300]", gone, 0, "cannot open library file")});
}

TEST_F(Velc18Link, UnknownLinkSwitchRejected) {
    EXPECT_EQ(Run(LdLine({a_}, L"-G -O\"p.cof\"")), 2);
    EXPECT_NE(stderr_.find("unknown switch '-G'"), std::string::npos) << stderr_;
    EXPECT_EQ(Run(LdLine({a_}, L"-m\"p.map\" -O\"p.cof\"")), 2);
}

} // namespace
