// The three tools' option pages on a real property sheet: what they show for
// a stored text, how their controls rewrite the line, and what Apply writes
// back and tells the host.
#include "page_fixture.h"

#include "level_flags.h"
#include "resource.h"
#include "tap_tarnivld.h"
#include "tinydlg.h"
#include "../host/host_test_support.h"

#include <functional>
#include <utility>
#include <vector>

namespace pages_test {
namespace {

using MakeArgs = std::function<ComPtr<IToolArgs>(PageTest&)>;

enum class Tool { Assembler, Compiler, Linker };

class OptionPages : public PageTest {
protected:
    ComPtr<IToolArgs> make(Tool tool, const wchar_t* text = nullptr) {
        switch (tool) {
        case Tool::Assembler:
            return project_args<CTA_TARNIVas>(text);
        case Tool::Compiler:
            return project_args<CTA_TARNIVcc>(text);
        default:
            return project_args<CTA_TARNIVld>(text);
        }
    }
};

// A project-level object that cannot give its text.
class SilentParent final : public veska::host::testing::LinkedArgs {
public:
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR*) override { return E_FAIL; }
};

const wchar_t kLinkerLine[] = L"-FAKELOCAL -O\"$(TARGETBASE).hex\"";

// Opening: the regenerated line in 205 and the controls set from the text.
TEST_F(OptionPages, OpenShowTheRegeneratedLineAndTheControls) {
    struct Case {
        Tool tool;
        const wchar_t* stored;
        const wchar_t* shown;
        std::vector<std::pair<int, const wchar_t*>> controls;
    } cases[] = {
        {Tool::Assembler, nullptr, L"", {{217, L"unchecked"}, {218, L"unchecked"}, {219, L"unchecked"}}},
        {Tool::Assembler, L"-x -c", L"-C -X", {{217, L"checked"}, {218, L"unchecked"}, {219, L"checked"}}},
        {Tool::Compiler, nullptr, L"-G", {{228, L"unchecked"}, {230, L"checked"}, {237, L""}}},
        {Tool::Compiler,
         L"-D32 -DDEBUG -D LEVEL=2 -DNAME=\"a b\"",
         L"-D32 -DDEBUG -DLEVEL=2 -DNAME=\"a b\"",
         {{230, L"unchecked"}, {231, L"checked"}, {237, L"DEBUG | LEVEL=2 | NAME=\"a b\""}}},
        {Tool::Linker,
         nullptr,
         kLinkerLine,
         {{209, L"checked"}, {237, L"checked"}, {238, L"checked"}, {236, L"0"}, {204, L""}}},
        {Tool::Linker,
         L"-intel -bin -O\"out.hex\"",
         L"-INTEL -BIN -FAKELOCAL -O\"out.hex\"",
         {{209, L"unchecked"}, {211, L"checked"}, {214, L"unchecked"}, {204, L"out"}}},
    };
    for (const Case& c : cases) {
        ComPtr<IToolArgs> args = make(c.tool, c.stored);
        Sheet sheet = open(args.get());
        EXPECT_EQ(c.shown, sheet->text(IDC_GENERATED_LINE)) << c.shown;
        EXPECT_EQ(c.stored ? c.stored : text_of(args.get()), sheet->text(IDC_ALTERNATE_LINE));
        for (const auto& [id, state] : c.controls)
            EXPECT_EQ(state, sheet.state(id)) << c.shown << " control " << id;
    }
}

// Both level lists hold the 21 levels and show the highest level the text sets.
TEST_F(OptionPages, LevelListsShowTheHighestLevel) {
    ComPtr<IToolArgs> compiler = make(Tool::Compiler, L"-W2 -W7 -Zg-3");
    Sheet sheet = open(compiler.get());
    sheet.run({category(1)});
    EXPECT_EQ(21u, sheet->items(IDC_CC_OPTIMIZATION_LEVEL).size());
    EXPECT_EQ(L"-3", sheet.state(IDC_CC_OPTIMIZATION_LEVEL));
    sheet.run({category(2)});
    EXPECT_EQ(L"7", sheet.state(IDC_CC_WARNING_LEVEL));
    // Any change writes the shown level only.
    sheet.run({click(IDC_CC_ASM_LIST)});
    EXPECT_EQ(L"-Zg-3 -ASMLIST -W7", sheet->text(IDC_GENERATED_LINE));
}

TEST_F(OptionPages, ControlsRewriteTheLine) {
    struct Case {
        Tool tool;
        const wchar_t* stored;
        std::initializer_list<Step> steps;
        const wchar_t* line;
    } cases[] = {
        {Tool::Assembler, nullptr, {click(217), click(218), click(219)}, L"-C -O -X"},
        {Tool::Compiler, nullptr, {category(2), select(IDC_CC_WARNING_LEVEL, 13)}, L"-G -W3"},
        {Tool::Compiler, L"-W3", {category(2), select(IDC_CC_WARNING_LEVEL, 10)}, L""},
        {Tool::Compiler,
         nullptr,
         {category(1), select(IDC_CC_OPTIMIZATION_LEVEL, 0), click(IDC_CC_DEBUG_INFO)},
         L"-Zg-10"},
        {Tool::Compiler,
         nullptr,
         {click(IDC_CC_DOUBLE_32), macro(L"LEVEL=2"), macro(L"Q='x y'")},
         L"-D32 -DLEVEL=2 -DQ='x y' -G"},
        {Tool::Compiler, L"-DA -DB -DC", {select(IDC_CC_MACROS, 1), click(IDC_CC_MACRO_REMOVE)}, L"-DA -DC"},
        {Tool::Compiler, L"-DA -DB -G", {click(IDC_CC_MACRO_REMOVE_ALL)}, L"-G"},
        {Tool::Linker, nullptr, {click(IDC_LD_MOTOROLA)}, L"-MOT -FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {Tool::Linker,
         nullptr,
         {click(IDC_LD_MOTOROLA), click(IDC_LD_BINARY)},
         L"-BIN -FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {Tool::Linker,
         L"-intel -mot",
         {click(IDC_LD_INTEL_HEX)},
         L"-INTEL -FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {Tool::Linker, nullptr, {type(IDC_LD_OUTPUT_ROOT, L"out")}, L"-FAKELOCAL -O\"out.hex\""},
        {Tool::Linker, L"-O\"out.hex\"", {type(IDC_LD_OUTPUT_ROOT, L"")}, kLinkerLine},
        {Tool::Linker,
         nullptr,
         {click(IDC_LD_FAKE_LOCALS), click(IDC_LD_MAP_FILE), click(IDC_LD_DOUBLE_32)},
         L"-M\"$(TARGETBASE).map\" -D32 -O\"$(TARGETBASE).hex\""},
    };
    for (const Case& c : cases) {
        ComPtr<IToolArgs> args = make(c.tool, c.stored);
        Sheet sheet = open(args.get());
        sheet.run(c.steps);
        EXPECT_EQ(c.line, sheet->text(IDC_GENERATED_LINE)) << (c.stored ? c.stored : L"(default)");
    }
}

// Every check box, radio group and level list of every page, worked through
// each of its states and back: the line after each step, from the default.
TEST_F(OptionPages, EveryControlThroughItsStatesAndBack) {
    const std::wstring compilerDefault = L"-G";
    const std::wstring linkerDefault = kLinkerLine;
    const auto linker = [](const wchar_t* before, const wchar_t* after = L"") {
        return std::wstring(before) + L"-FAKELOCAL " + after + L"-O\"$(TARGETBASE).hex\"";
    };
    struct Toggle {
        Tool tool;
        int category;
        int id;
        std::wstring changed; // the line with the box the other way
    } toggles[] = {
        {Tool::Assembler, 0, IDC_AS_CROSS_REFERENCE, L"-C"},
        {Tool::Assembler, 0, IDC_AS_OPTIMIZE, L"-O"},
        {Tool::Assembler, 0, IDC_AS_STRIP_LOCALS, L"-X"},
        {Tool::Compiler, 0, IDC_CC_SIGNED_CHAR, L"-SIGNED_CHAR -G"},
        {Tool::Compiler, 0, IDC_CC_STRICT, L"-STRICT -G"},
        {Tool::Compiler, 1, IDC_CC_POST_PASS, L"-O -G"},
        {Tool::Compiler, 1, IDC_CC_STRIP_LOCALS, L"-X -G"},
        {Tool::Compiler, 1, IDC_CC_DEBUG_INFO, L""},
        {Tool::Compiler, 1, IDC_CC_ICD, L"-G -ICD"},
        {Tool::Compiler, 2, IDC_CC_ASM_LIST, L"-G -ASMLIST"},
        {Tool::Compiler, 2, IDC_CC_PREPROCESSED, L"-G -PRE"},
        {Tool::Compiler, 2, IDC_CC_PROTOTYPES, L"-G -PROTO"},
        {Tool::Compiler, 2, IDC_CC_ASM_ONLY, L"-G -S"},
        {Tool::Linker, 0, IDC_LD_MAP_FILE, L"-M\"$(TARGETBASE).map\" " + linker(L"")},
        {Tool::Linker, 0, IDC_LD_SEGMENT_MAP, linker(L"-PSECTMAP ")},
        {Tool::Linker, 0, IDC_LD_FAKE_LOCALS, L"-O\"$(TARGETBASE).hex\""},
        {Tool::Linker, 0, IDC_LD_ICD, linker(L"", L"-ICD ")},
    };
    for (const Toggle& t : toggles) {
        ComPtr<IToolArgs> args = make(t.tool);
        Sheet sheet = open(args.get());
        const std::wstring before = sheet->text(IDC_GENERATED_LINE);
        sheet.run({category(t.category), click(t.id)});
        EXPECT_EQ(t.changed, sheet->text(IDC_GENERATED_LINE)) << "control " << t.id;
        sheet.run({click(t.id)});
        EXPECT_EQ(before, sheet->text(IDC_GENERATED_LINE)) << "control " << t.id << " back";
    }

    // Each radio group from its first button through every other and back,
    // both ways round.
    struct Radio {
        Tool tool;
        std::vector<std::pair<int, std::wstring>> clicks;
    } radios[] = {
        {Tool::Compiler, {{IDC_CC_DOUBLE_32, L"-D32 -G"}, {IDC_CC_DOUBLE_24, compilerDefault}}},
        {Tool::Linker, {{IDC_LD_DOUBLE_32, linker(L"", L"-D32 ")}, {IDC_LD_DOUBLE_24, linkerDefault}}},
        {Tool::Linker,
         {{IDC_LD_BINARY, linker(L"-BIN ")},
          {IDC_LD_MOTOROLA, linker(L"-MOT ")},
          {IDC_LD_BINARY, linker(L"-BIN ")},
          {IDC_LD_INTEL_HEX, linkerDefault},
          {IDC_LD_MOTOROLA, linker(L"-MOT ")},
          {IDC_LD_INTEL_HEX, linkerDefault}}},
    };
    for (const Radio& r : radios) {
        ComPtr<IToolArgs> args = make(r.tool);
        Sheet sheet = open(args.get());
        for (const auto& [id, line] : r.clicks) {
            sheet.run({click(id)});
            EXPECT_EQ(line, sheet->text(IDC_GENERATED_LINE)) << "after clicking " << id;
            EXPECT_EQ(L"checked", sheet.state(id));
        }
    }

    // Each level list to its lowest item, its highest and back to "0".
    struct Levels {
        Tool tool;
        int category;
        int id;
        std::wstring lowest, highest, none;
    } levels[] = {
        {Tool::Compiler, 1, IDC_CC_OPTIMIZATION_LEVEL, L"-Zg-10 -G", L"-Zg10 -G", compilerDefault},
        {Tool::Compiler, 2, IDC_CC_WARNING_LEVEL, L"-G -W-10", L"-G -W10", compilerDefault},
        {Tool::Linker, 0, IDC_LD_WARNING_LEVEL, linker(L"", L"-W-10 "), linker(L"", L"-W10 "), linkerDefault},
    };
    for (const Levels& l : levels) {
        ComPtr<IToolArgs> args = make(l.tool);
        Sheet sheet = open(args.get());
        const std::pair<int, std::wstring> items[] = {{0, l.lowest},
                                                      {suite::LevelFlags::kItemCount - 1, l.highest},
                                                      {suite::LevelFlags::kNoLevelItem, l.none}};
        sheet.run({category(l.category)});
        for (const auto& [item, line] : items) {
            sheet.run({select(l.id, item)});
            EXPECT_EQ(line, sheet->text(IDC_GENERATED_LINE)) << "list " << l.id << " item " << item;
        }
    }
}

// A page opens on either end of each level list, and on "0" without a level.
TEST_F(OptionPages, LevelListsOpenOnEitherEndAndOnNoLevel) {
    struct Case {
        Tool tool;
        const wchar_t* stored;
        std::vector<std::pair<int, int>> lists; // category, list
        const wchar_t* shown;
    } cases[] = {
        {Tool::Compiler,
         L"-Zg-10 -W-10",
         {{1, IDC_CC_OPTIMIZATION_LEVEL}, {2, IDC_CC_WARNING_LEVEL}},
         L"-10"},
        {Tool::Compiler, L"-Zg10 -W10", {{1, IDC_CC_OPTIMIZATION_LEVEL}, {2, IDC_CC_WARNING_LEVEL}}, L"10"},
        {Tool::Compiler, L"-DX", {{1, IDC_CC_OPTIMIZATION_LEVEL}, {2, IDC_CC_WARNING_LEVEL}}, L"0"},
        {Tool::Linker, L"-W-10", {{0, IDC_LD_WARNING_LEVEL}}, L"-10"},
        {Tool::Linker, L"-W10", {{0, IDC_LD_WARNING_LEVEL}}, L"10"},
        {Tool::Linker, L"-ICD", {{0, IDC_LD_WARNING_LEVEL}}, L"0"},
    };
    for (const Case& c : cases) {
        ComPtr<IToolArgs> args = make(c.tool, c.stored);
        Sheet sheet = open(args.get());
        for (const auto& [page, list] : c.lists) {
            sheet.run({category(page)});
            EXPECT_EQ(c.shown, sheet.state(list)) << c.stored << " list " << list;
        }
    }
}

// Each edit the page reads takes a text filling its bound whole, and one
// character more loses only that character.
TEST_F(OptionPages, BoundedEditsReadTheirWholeBound) {
    constexpr size_t kLine = 2047; // an option text's characters
    const std::wstring full(kLine, L'a');
    for (const std::wstring& typed : {full, full + L'b'}) {
        ComPtr<IToolArgs> args = make(Tool::Assembler);
        args->SetAltFlag(1);
        {
            Sheet sheet = open(args.get());
            sheet.run({type(IDC_ALTERNATE_LINE, typed.c_str())});
            ASSERT_TRUE(sheet->ok()) << sheet->error();
        }
        EXPECT_EQ(full, text_of(args.get())) << typed.size() << " characters typed";
    }

    // The "Enter Macro" dialog's edit.
    const std::wstring definition = L"M=" + std::wstring(suite::CTinyDlg::kTextSize - 3, L'v');
    for (const std::wstring& typed : {definition, definition + L'w'}) {
        ComPtr<IToolArgs> args = make(Tool::Compiler);
        Sheet sheet = open(args.get());
        sheet.run({macro(typed.c_str())});
        EXPECT_EQ(definition, sheet.state(IDC_CC_MACROS)) << typed.size() << " characters typed";
    }

    // The linker's output root: the longest root its option (at most 1,023
    // characters, -O"<root>.hex") can carry, whole; past that, and at the
    // edit's own limit, the default root rather than a cut one.
    constexpr size_t kLongestRoot = 1023 - 8;
    const std::wstring root(kLongestRoot, L'r');
    const struct {
        std::wstring typed, line;
    } roots[] = {
        {root, L"-FAKELOCAL -O\"" + root + L".hex\""},
        {root + L's', kLinkerLine},
        {std::wstring(CTAP_TARNIVld::kRootSize - 1, L'r'), kLinkerLine},
    };
    for (const auto& r : roots) {
        ComPtr<IToolArgs> args = make(Tool::Linker);
        Sheet sheet = open(args.get());
        sheet.run({type(IDC_LD_OUTPUT_ROOT, r.typed.c_str())});
        EXPECT_EQ(r.line, sheet->text(IDC_GENERATED_LINE)) << r.typed.size() << " characters typed";
    }
}

// "Remove" without a selection changes nothing and notifies nobody.
TEST_F(OptionPages, RemoveWithoutSelectionChangesNothing) {
    ComPtr<IToolArgs> args = make(Tool::Compiler, L"-DA -DB -W3");
    Sheet sheet = open(args.get());
    ASSERT_TRUE(sheet->apply());
    sheet.run({click(IDC_CC_MACRO_REMOVE)});
    EXPECT_EQ(L"A | B", sheet.state(IDC_CC_MACROS));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet->sheet(), 0x3021))) << "Apply enabled";
}

// Apply writes the text read from 205 (or 283 with "Use Alternate Settings")
// and the flags; only a changed text marks the build stale and asks to save.
TEST_F(OptionPages, ApplyWritesTextAndFlags) {
    struct Case {
        Tool tool;
        const wchar_t* stored;
        bool alternate;
        std::initializer_list<Step> steps;
        const wchar_t* written;
        HRESULT isDefault;
    } cases[] = {
        {Tool::Assembler, nullptr, false, {}, L"", S_OK},
        {Tool::Assembler, L"-o -Q", false, {}, L"-O", S_FALSE},
        {Tool::Assembler, L"-o -Q", true, {click(217)}, L"-o -Q", S_FALSE},
        {Tool::Compiler, L"-W3", false, {category(1), click(IDC_CC_DEBUG_INFO)}, L"-G -W3", S_FALSE},
        {Tool::Compiler, L"-W3", true, {type(IDC_ALTERNATE_LINE, L"-G")}, L"-G", S_OK},
        {Tool::Linker, nullptr, false, {}, kLinkerLine, S_FALSE},
        {Tool::Linker, nullptr, false, {click(IDC_RESTORE_DEFAULTS)}, L"-O\"$(TARGETBASE).cof\"", S_OK},
        {Tool::Linker, nullptr, false, {click(IDC_LD_FAKE_LOCALS)}, L"-O\"$(TARGETBASE).hex\"", S_FALSE},
    };
    for (const Case& c : cases) {
        ComPtr<IToolArgs> args = make(c.tool, c.stored);
        args->SetAltFlag(c.alternate);
        const std::wstring before = text_of(args.get());
        recorder->clear();
        {
            Sheet sheet = open(args.get());
            sheet.run(c.steps);
            ASSERT_TRUE(sheet->ok()) << sheet->error();
        }
        const std::wstring what = c.stored ? c.stored : L"(default)";
        EXPECT_EQ(c.written, text_of(args.get())) << what;
        EXPECT_EQ(c.isDefault, args->IsDefault()) << what;
        EXPECT_EQ(c.alternate ? S_OK : S_FALSE, args->GetAltFlag()) << what;
        const size_t changed = before != c.written ? 1 : 0;
        EXPECT_EQ(changed, count("IProject.SetDefaultNodesStable")) << what;
        EXPECT_EQ(changed, count("IProjectDisplay.SetReqSave")) << what;
        EXPECT_EQ(0u, count("IProjectNode.SetStable")) << what;
    }
}

// "Restore Defaults" shows the default text itself and, when the text is the
// default already, does not even enable Apply.
TEST_F(OptionPages, RestoreDefaults) {
    ComPtr<IToolArgs> linker = make(Tool::Linker, L"-MOT -W4");
    Sheet sheet = open(linker.get());
    ASSERT_TRUE(sheet->apply());
    HWND applyButton = GetDlgItem(sheet->sheet(), 0x3021);
    ASSERT_FALSE(IsWindowEnabled(applyButton));
    sheet.run({click(IDC_RESTORE_DEFAULTS)});
    EXPECT_EQ(L"-O\"$(TARGETBASE).cof\"", sheet->text(IDC_GENERATED_LINE));
    EXPECT_EQ(L"checked", sheet.state(IDC_LD_INTEL_HEX));
    EXPECT_EQ(L"0", sheet.state(IDC_LD_WARNING_LEVEL));
    EXPECT_TRUE(IsWindowEnabled(applyButton));
    ASSERT_TRUE(sheet->apply());
    sheet.run({click(IDC_RESTORE_DEFAULTS)});
    EXPECT_FALSE(IsWindowEnabled(applyButton));
    EXPECT_EQ(S_OK, linker->IsDefault());
}

// A file's page inherits the project's options: it opens on them while the
// file is default, loses the inherit mark on any difference, and takes the
// parent's alternate line back when inherit is checked again.
TEST_F(OptionPages, FilePagesInheritTheProjectsOptions) {
    ComPtr<IToolArgs> parent = make(Tool::Compiler, L"-W3");
    ComPtr<IToolArgs> file = file_args<CTA_TARNIVcc>(parent.get(), L"-O -S");
    {
        Sheet sheet = open(file.get());
        EXPECT_EQ(L"-W3", sheet->text(IDC_GENERATED_LINE));
        EXPECT_EQ(L"checked", sheet.state(IDC_INHERIT));
        sheet.run({category(1), click(IDC_CC_DEBUG_INFO)});
        EXPECT_EQ(L"unchecked", sheet.state(IDC_INHERIT));
        ASSERT_TRUE(sheet->ok());
    }
    EXPECT_EQ(L"-G -W3", text_of(file.get()));
    EXPECT_EQ(S_FALSE, file->IsDefault());
    EXPECT_EQ(1u, count("IProjectNode.SetStable"));
    EXPECT_EQ(0u, count("IProject.SetDefaultNodesStable"));

    parent->SetCmdLine(L"-w9 -G");
    parent->SetAltFlag(1);
    {
        Sheet sheet = open(file.get());
        EXPECT_EQ(L"unchecked", sheet.state(IDC_INHERIT));
        EXPECT_EQ(L"unchecked", sheet.state(IDC_USE_ALTERNATE));
        sheet.run({click(IDC_INHERIT)});
        EXPECT_EQ(L"checked", sheet.state(IDC_USE_ALTERNATE));
        EXPECT_EQ(L"-w9 -G", sheet->text(IDC_ALTERNATE_LINE));
        EXPECT_TRUE(sheet->enabled(IDC_ALTERNATE_LINE));
        ASSERT_TRUE(sheet->ok());
    }
    EXPECT_EQ(L"-w9 -G", text_of(file.get()));
    EXPECT_EQ(S_OK, file->IsDefault());
    EXPECT_EQ(S_OK, file->GetAltFlag());
}

// A project's page cannot inherit; a file whose parent cannot give its text
// still gets a file's page, inheriting the tool's default.
TEST_F(OptionPages, InheritBoxFollowsTheLevel) {
    ComPtr<IToolArgs> project = make(Tool::Assembler, L"-c");
    EXPECT_FALSE(open(project.get())->enabled(IDC_INHERIT));

    ComPtr<IToolArgs> silent(suite::com::make<SilentParent>().get());
    ComPtr<IToolArgs> file = file_args<CTA_TARNIVas>(silent.get(), L"-x");
    {
        Sheet sheet = open(file.get());
        EXPECT_TRUE(sheet->enabled(IDC_INHERIT));
        EXPECT_EQ(L"checked", sheet.state(IDC_INHERIT));
        EXPECT_EQ(L"-X", sheet->text(IDC_GENERATED_LINE));
        sheet.run({click(IDC_AS_STRIP_LOCALS)});
        EXPECT_EQ(L"checked", sheet.state(IDC_INHERIT)) << "the empty default text is inherited";
    }
}

} // namespace
} // namespace pages_test
