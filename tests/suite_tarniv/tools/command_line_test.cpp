// The tools' base command lines, their failures and the order of those, the
// reading of driver messages, exit-code verdicts, names, identity and the
// creation of tool-arguments objects, on real files of the test prefix.
#include "ct_tarniv.h"
#include "legacy_fixture.h"
#include "test_support.h"
#include "tool_fakes.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using suite::ComPtr;
using suite::CoTaskString;
using suite::test::PathProject;

template <class Tool> ComPtr<ITool> make_tool() {
    ComPtr<ITool> tool;
    EXPECT_EQ(S_OK, suite::com::create_instance<Tool>(IID_ITool, tool.put_void()));
    return tool;
}

_PlatInfo device(const wchar_t* name) {
    return _PlatInfo{const_cast<wchar_t*>(name), 0, const_cast<wchar_t*>(L"PIC"), 8};
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.result());
        toolsDirectory_ = temp_.file(L"My Tools");
        ASSERT_TRUE(CreateDirectoryW(toolsDirectory_.c_str(), nullptr));
        driver_ = toolsDirectory_ + L"\\velc18.exe";
        ASSERT_TRUE(suite::test::write_file(driver_, "MZ"));
        project_ = suite::com::make<PathProject>();
    }

    // The tool's line for the device, or the failure (line then empty).
    HRESULT generate(ITool* tool, const wchar_t* deviceName, std::wstring& line, IProject* project) {
        _PlatInfo platform = device(deviceName);
        CoTaskString out;
        const HRESULT hr = tool->GenCmdLine(out.put(), OP_ASSEMBLE, &platform, project);
        line = out.c_str();
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(out)) << "a string is handed out exactly on success";
        return hr;
    }
    HRESULT generate(ITool* tool, const wchar_t* deviceName, std::wstring& line) {
        return generate(tool, deviceName, line, project_.get());
    }

    std::wstring quoted_driver() const { return L"\"" + driver_ + L"\""; }

    // A tool of class Tool located at a file written at location.
    template <class Tool> ComPtr<ITool> tool_at(const std::wstring& location) {
        EXPECT_TRUE(suite::test::write_file(location, "MZ"));
        auto tool = make_tool<Tool>();
        EXPECT_EQ(S_OK, tool->SetLocation(location.c_str()));
        return tool;
    }

    suite::test::ComApartment apartment_;
    suite::test::TempDirectory temp_;
    std::wstring toolsDirectory_;
    std::wstring driver_;
    ComPtr<PathProject> project_;
};

TEST_F(CommandLine, AssemblerLineOfTheWorkedExample) {
    auto assembler = make_tool<CT_TARNIVas>();
    ASSERT_EQ(S_OK, assembler->SetLocation(driver_.c_str()));
    project_->set_path(PT_AIN, L"C:\\inc");

    std::wstring line;
    ASSERT_EQ(S_OK, generate(assembler.get(), L"ZOR18X9", line));
    EXPECT_EQ(quoted_driver() + L" -Q -VESKA -C -18X9 \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\" "
                                L"-E\"$(TMPDIR_)$(INFILEBASE).ase\" -I$(AINDIR)",
              line);

    project_->set_path(PT_AIN, L"");
    project_->set_path(PT_INC, L"C:\\not-the-assembler's");
    ASSERT_EQ(S_OK, generate(assembler.get(), L"ZOR18X9", line));
    EXPECT_EQ(quoted_driver() + L" -Q -VESKA -C -18X9 \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\" "
                                L"-E\"$(TMPDIR_)$(INFILEBASE).ase\"",
              line);
    EXPECT_EQ((std::vector<PathType>{PT_AIN, PT_AIN}), project_->asked());
}

TEST_F(CommandLine, CompilerLineWithAndWithoutIncludeDirectory) {
    auto compiler = make_tool<CT_TARNIVcc>();
    ASSERT_EQ(S_OK, compiler->SetLocation(driver_.c_str()));
    const std::wstring base = quoted_driver() +
                              L" -Q -VESKA -C -E\"$(TMPDIR_)$(INFILEBASE).cce\" -18X9 \"$(INFILE)\" "
                              L"-O\"$(TMPDIR_)$(INFILEBASE).obj\"";

    std::wstring line;
    project_->set_path(PT_AIN, L"C:\\asm");
    ASSERT_EQ(S_OK, generate(compiler.get(), L"ZOR18X9", line));
    EXPECT_EQ(base, line);

    project_->set_path(PT_INC, L"C:\\inc;D:\\more");
    ASSERT_EQ(S_OK, generate(compiler.get(), L"ZOR18X9", line));
    EXPECT_EQ(base + L" -I$(INCDIR)", line);
    EXPECT_EQ((std::vector<PathType>{PT_INC, PT_INC}), project_->asked());
}

TEST_F(CommandLine, LinkerLineNeverAsksTheProject) {
    auto linker = make_tool<CT_TARNIVld>();
    ASSERT_EQ(S_OK, linker->SetLocation(driver_.c_str()));
    project_->set_path(PT_AIN, L"C:\\asm");
    project_->set_path(PT_INC, L"C:\\inc");
    const std::wstring expected =
        quoted_driver() + L" -Q -VESKA -E\"$(TMPDIR_)$(TARGETBASE).lde\" -18X9 $(OBJSANDLIBS)";

    std::wstring line;
    ASSERT_EQ(S_OK, generate(linker.get(), L"ZOR18X9", line));
    EXPECT_EQ(expected, line);
    ASSERT_EQ(S_OK, generate(linker.get(), L"ZOR18X9", line, nullptr));
    EXPECT_EQ(expected, line);
    EXPECT_TRUE(project_->asked().empty());
}

TEST_F(CommandLine, LocationIsTestedBeforeTheDevice) {
    auto assembler = make_tool<CT_TARNIVas>();
    std::wstring line;
    // Empty location with a foreign device.
    EXPECT_EQ(TOOL_E_NOTLOCATED, generate(assembler.get(), L"PIC16F84", line));
    // A location that names nothing.
    ASSERT_EQ(S_OK, assembler->SetLocation(temp_.file(L"missing.exe").c_str()));
    EXPECT_EQ(TOOL_E_NOTLOCATED, generate(assembler.get(), L"PIC16F84", line));
    EXPECT_EQ(TOOL_E_NOTLOCATED, generate(assembler.get(), L"ZOR18X9", line));
    // Quotes are part of the name tested.
    for (const std::wstring& quoted : {L"\"" + driver_, driver_ + L"\"", quoted_driver()}) {
        ASSERT_EQ(S_OK, assembler->SetLocation(quoted.c_str()));
        EXPECT_EQ(TOOL_E_NOTLOCATED, generate(assembler.get(), L"ZOR18X9", line)) << quoted;
    }
    EXPECT_TRUE(project_->asked().empty());
}

TEST_F(CommandLine, DeviceMustBeginWithTheFamilyPrefix) {
    auto compiler = make_tool<CT_TARNIVcc>();
    ASSERT_EQ(S_OK, compiler->SetLocation(driver_.c_str()));
    std::wstring line;
    for (const wchar_t* name : {L"zor18x9", L"Zor18X9", L"ZO", L"", L"PIC16F84", L" ZOR18X9"})
        EXPECT_EQ(TOOL_E_UNSUPPORTEDDEVICE, generate(compiler.get(), name, line)) << name;

    // No device name at all, or no record: no device of the family.
    EXPECT_EQ(TOOL_E_UNSUPPORTEDDEVICE, generate(compiler.get(), nullptr, line));
    CoTaskString out;
    EXPECT_EQ(TOOL_E_UNSUPPORTEDDEVICE, compiler->GenCmdLine(out.put(), OP_COMPILE, nullptr, project_.get()));
    EXPECT_FALSE(out);
    EXPECT_TRUE(project_->asked().empty());
}

TEST_F(CommandLine, DeviceSuffixIsUsedUnchanged) {
    auto assembler = make_tool<CT_TARNIVas>();
    ASSERT_EQ(S_OK, assembler->SetLocation(driver_.c_str()));
    std::wstring line;
    ASSERT_EQ(S_OK, generate(assembler.get(), L"ZOR", line));
    EXPECT_NE(std::wstring::npos, line.find(L" -Q -VESKA -C - \"$(INFILE)\"")) << line;
    ASSERT_EQ(S_OK, generate(assembler.get(), L"ZORzor 7", line));
    EXPECT_NE(std::wstring::npos, line.find(L" -Q -VESKA -C -zor 7 \"$(INFILE)\"")) << line;
}

TEST_F(CommandLine, DirectoryLocationOpensTheLine) {
    auto linker = make_tool<CT_TARNIVld>();
    ASSERT_EQ(S_OK, linker->SetLocation(toolsDirectory_.c_str()));
    std::wstring line;
    ASSERT_EQ(S_OK, generate(linker.get(), L"ZOR18X9", line));
    EXPECT_EQ(L"\"" + toolsDirectory_ +
                  L"\" -Q -VESKA -E\"$(TMPDIR_)$(TARGETBASE).lde\" -18X9 $(OBJSANDLIBS)",
              line);
}

TEST_F(CommandLine, LocationWithCharactersFrom128To255IsFound) {
    const std::wstring latin = toolsDirectory_ + L"\\v\u00e9lc\u00fc18.exe";
    std::wstring line;
    ASSERT_EQ(S_OK, generate(tool_at<CT_TARNIVld>(latin).get(), L"ZOR1", line));
    EXPECT_EQ(0u, line.find(L"\"" + latin + L"\""));
}

TEST_F(CommandLine, LocationWithACharacterAbove255IsNotLocated) {
    // The file exists, and so does the directory before the wide character;
    // neither may pass for the location.
    std::wstring line;
    EXPECT_EQ(TOOL_E_NOTLOCATED,
              generate(tool_at<CT_TARNIVas>(toolsDirectory_ + L"\\\u0100").get(), L"ZOR18X9", line));
}

TEST_F(CommandLine, FailedIncludePathQuestionFailsTheLine) {
    auto assembler = make_tool<CT_TARNIVas>();
    auto compiler = make_tool<CT_TARNIVcc>();
    ASSERT_EQ(S_OK, assembler->SetLocation(driver_.c_str()));
    ASSERT_EQ(S_OK, compiler->SetLocation(driver_.c_str()));
    project_->fail_get_path(E_UNEXPECTED);

    std::wstring line;
    EXPECT_EQ(E_UNEXPECTED, generate(assembler.get(), L"ZOR18X9", line));
    EXPECT_EQ(E_UNEXPECTED, generate(compiler.get(), L"ZOR18X9", line));
    // Without a project there is nothing to ask.
    EXPECT_EQ(E_INVALIDARG, generate(compiler.get(), L"ZOR18X9", line, nullptr));
    // The device is judged first.
    EXPECT_EQ(TOOL_E_UNSUPPORTEDDEVICE, generate(compiler.get(), L"PIC", line));
}

TEST(QuoteToolPath, QuotesOnlyUnquotedText) {
    struct Case {
        const wchar_t* location;
        HRESULT result;
        const wchar_t* quoted;
    };
    const Case cases[] = {
        {L"", S_OK, L""},
        {L"C:\\My Tools\\velc18.exe", S_OK, L"\"C:\\My Tools\\velc18.exe\""},
        {L"\"C:\\My Tools\\velc18.exe\"", S_OK, L"\"C:\\My Tools\\velc18.exe\""},
        {L"\"", S_OK, L"\""},
        {L"\"\"", S_OK, L"\"\""},
        {L"\"C:\\velc18.exe", E_FAIL, L""},
        {L"C:\\velc18.exe\"", E_FAIL, L""},
        {L"a\"b", S_OK, L"\"a\"b\""},
    };
    for (const Case& c : cases) {
        std::wstring quoted = L"stale";
        EXPECT_EQ(c.result, suite::tools::QuoteToolPath(c.location, quoted)) << c.location;
        EXPECT_EQ(c.quoted, quoted) << c.location;
    }
    std::wstring quoted;
    EXPECT_EQ(E_FAIL, suite::tools::QuoteToolPath(nullptr, quoted));
}

TEST(ToolMessages, AssemblerAndCompilerReadTheSourcePosition) {
    suite::test::ComApartment apartment;
    for (const ComPtr<ITool>& tool : {make_tool<CT_TARNIVas>(), make_tool<CT_TARNIVcc>()}) {
        CoTaskString file;
        ULONG line = 0, column = 7;
        EXPECT_EQ(S_OK, tool->TranslateToolMessage(file.put(), &line, &column,
                                                   L"Error[000] C:\\My Work\\main.c 57 : undefined symbol"));
        EXPECT_STREQ(L"C:\\My Work\\main.c", file.c_str());
        EXPECT_EQ(57u, line);
        EXPECT_EQ(0u, column);

        EXPECT_EQ(S_FALSE,
                  tool->TranslateToolMessage(file.put(), &line, &column, L"Error[000] main.c 57: x"));
        EXPECT_FALSE(file);
        EXPECT_EQ(E_POINTER, tool->TranslateToolMessage(file.put(), &line, &column, nullptr));
    }
}

TEST(ToolMessages, LinkerReadsNothing) {
    auto linker = make_tool<CT_TARNIVld>();
    wchar_t sentinel[] = L"untouched";
    LPWSTR file = sentinel;
    ULONG line = 5, column = 6;
    EXPECT_EQ(S_FALSE, linker->TranslateToolMessage(&file, &line, &column, L"Error[000] main.c 57 : x"));
    EXPECT_EQ(sentinel, file);
    EXPECT_EQ(5u, line);
    EXPECT_EQ(6u, column);
}

TEST(ToolVerdict, OnlyZeroIsSuccess) {
    for (const ComPtr<ITool>& tool :
         {make_tool<CT_TARNIVas>(), make_tool<CT_TARNIVcc>(), make_tool<CT_TARNIVld>()}) {
        EXPECT_EQ(S_OK, tool->EvalReturnCode(0));
        for (int code : {1, -1, 2, INT_MIN, INT_MAX})
            EXPECT_EQ(S_FALSE, tool->EvalReturnCode(code)) << code;
    }
}

template <class Tool> void expect_identity(const CLSID& clsid, const wchar_t* name) {
    const ComPtr<ITool> tool = make_tool<Tool>();
    CoTaskString text;
    ASSERT_EQ(S_OK, tool->GetName(text.put()));
    EXPECT_STREQ(name, text.c_str());
    EXPECT_EQ(E_POINTER, tool->GetName(nullptr));

    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, tool.query(persist));
    CLSID answered = GUID_NULL;
    ASSERT_EQ(S_OK, persist->GetClassID(&answered));
    EXPECT_TRUE(IsEqualCLSID(clsid, answered));
    EXPECT_EQ(S_OK, GetEffectiveClassID(&answered, tool.get()));
    EXPECT_TRUE(IsEqualCLSID(clsid, answered));

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, tool.query(unknown));
    EXPECT_EQ(static_cast<IUnknown*>(tool.get()), unknown.get());
    EXPECT_FALSE(tool.as<IToolArgs>());
    EXPECT_FALSE(tool.as<ILegacyAlias>());
}

TEST(ToolIdentity, NamesClassesAndInterfaces) {
    suite::test::ComApartment apartment;
    expect_identity<CT_TARNIVas>(CLSID_T_TARNIV18as, L"TARNIV18 Assembler (velc18.exe)");
    expect_identity<CT_TARNIVcc>(CLSID_T_TARNIV18cc, L"TARNIV18 C Compiler (velc18.exe)");
    expect_identity<CT_TARNIVld>(CLSID_T_TARNIV18ld, L"TARNIV18 Linker (velc18.exe)");
}

TEST(ToolIdentity, ModuleCreatesIndependentToolsAndRefusesAggregation) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    for (const CLSID* clsid : {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc, &CLSID_T_TARNIV18ld}) {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, dll.get_class_object(*clsid, IID_IClassFactory, factory.put_void()));
        ComPtr<ITool> first, second;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITool, first.put_void()));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITool, second.put_void()));
        ASSERT_EQ(S_OK, first->SetLocation(L"C:\\one\\velc18.exe"));
        CoTaskString location;
        ASSERT_EQ(S_OK, second->GetLocation(location.put()));
        EXPECT_STREQ(L"", location.c_str());

        CLSID answered = GUID_NULL;
        ASSERT_EQ(S_OK, first.as<IPersist>()->GetClassID(&answered));
        EXPECT_TRUE(IsEqualCLSID(*clsid, answered));

        ComPtr<IUnknown> aggregated;
        EXPECT_EQ(CLASS_E_NOAGGREGATION,
                  factory->CreateInstance(first.get(), IID_IUnknown, aggregated.put_void()));
    }
}

// Records what CreateArgs asked the runtime for.
IID g_requestedInterface = GUID_NULL;
HRESULT create_recorded_tool_args(REFIID iid, void** out) {
    g_requestedInterface = iid;
    return suite::com::create_instance<suite::test::FakeToolArgs>(iid, out);
}

class ToolArgsCreation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.result());
        g_requestedInterface = GUID_NULL;
    }
    suite::test::ComApartment apartment_;
    suite::test::LegacyTree tree_;
};

TEST_F(ToolArgsCreation, UnregisteredClassNotInTheLegacyTreeIsNotRegistered) {
    for (const ComPtr<ITool>& tool :
         {make_tool<CT_TARNIVas>(), make_tool<CT_TARNIVcc>(), make_tool<CT_TARNIVld>()}) {
        ComPtr<IToolArgs> args;
        EXPECT_EQ(REGDB_E_CLASSNOTREG, tool->CreateArgs(args.put(), TRUE));
        EXPECT_FALSE(args);
    }
}

TEST_F(ToolArgsCreation, EachToolCreatesItsOwnArgumentsClass) {
    const struct {
        ComPtr<ITool> tool;
        const CLSID* args;
    } pairs[] = {{make_tool<CT_TARNIVas>(), &CLSID_TA_TARNIV18as},
                 {make_tool<CT_TARNIVcc>(), &CLSID_TA_TARNIV18cc},
                 {make_tool<CT_TARNIVld>(), &CLSID_TA_TARNIV18ld}};
    for (const auto& pair : pairs) {
        suite::test::RegisteredClass registered(*pair.args, &create_recorded_tool_args);
        ComPtr<IToolArgs> args;
        ASSERT_EQ(S_OK, pair.tool->CreateArgs(args.put(), FALSE));
        EXPECT_TRUE(args);
        EXPECT_TRUE(IsEqualIID(IID_IToolArgs, g_requestedInterface));
        // The others' classes are not registered: each tool asks for its own.
        for (const auto& other : pairs) {
            if (other.args == pair.args)
                continue;
            ComPtr<IToolArgs> none;
            EXPECT_EQ(REGDB_E_CLASSNOTREG, other.tool->CreateArgs(none.put(), FALSE));
        }
    }
}

TEST_F(ToolArgsCreation, LegacyTreeServesTheArgumentsThroughAHostWrapper) {
    suite::test::RegisteredClass wrapper(CLSID_LegacyWrapperDepth0, &create_recorded_tool_args);
    ASSERT_TRUE(tree_.add({suite::test::registry_form(CLSID_TA_TARNIV18cc)}));

    auto compiler = make_tool<CT_TARNIVcc>();
    ComPtr<IToolArgs> args;
    ASSERT_EQ(S_OK, compiler->CreateArgs(args.put(), TRUE));
    auto* fake = static_cast<suite::test::FakeToolArgs*>(args.get());
    EXPECT_TRUE(IsEqualCLSID(CLSID_TA_TARNIV18cc, fake->alias()));
    EXPECT_EQ(E_INVALIDARG, compiler->CreateArgs(nullptr, TRUE));
}

} // namespace
