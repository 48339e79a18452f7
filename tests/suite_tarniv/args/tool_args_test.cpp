// The tool-arguments objects of the assembler, the C compiler and the linker:
// initial state, identity, flags, the command-line contribution and the
// counted links to the host's objects.
#include "args_fakes.h"

#include "cta_tarniv.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using args_test::CountedFake;
using args_test::TaskAllocatorSpy;
using suite::ComPtr;
using suite::CoTaskString;
using suite::com::ModuleLock;

struct AssemblerArgs {
    using Class = CTA_TARNIVas;
    static constexpr const wchar_t* kDefaultText = L"";
    static const CLSID& own() { return CLSID_TA_TARNIV18as; }
    static const CLSID& tool() { return CLSID_T_TARNIV18as; }
};
struct CompilerArgs {
    using Class = CTA_TARNIVcc;
    static constexpr const wchar_t* kDefaultText = L"-G";
    static const CLSID& own() { return CLSID_TA_TARNIV18cc; }
    static const CLSID& tool() { return CLSID_T_TARNIV18cc; }
};
struct LinkerArgs {
    using Class = CTA_TARNIVld;
    static constexpr const wchar_t* kDefaultText = L"-O\"$(TARGETBASE).cof\"";
    static const CLSID& own() { return CLSID_TA_TARNIV18ld; }
    static const CLSID& tool() { return CLSID_T_TARNIV18ld; }
};

template <class Tool> class ToolArgsTest : public ::testing::Test {
protected:
    static ComPtr<IToolArgs> make_args() {
        return suite::com::make<typename Tool::Class>().template as<IToolArgs>();
    }
    static std::wstring text_of(IToolArgs* args) {
        CoTaskString text;
        EXPECT_EQ(S_OK, args->GetCmdLine(text.put()));
        return text.c_str();
    }
    // GenCmdLine on a task-allocated copy of line.
    static std::wstring generate(IToolArgs* args, const wchar_t* line) {
        CoTaskString generated = CoTaskString::copy_of(line);
        EXPECT_EQ(S_OK, args->GenCmdLine(generated.inout(), OP_COMPILE, nullptr));
        return generated.c_str();
    }

    suite::test::ComApartment apartment_;
};

using Tools = ::testing::Types<AssemblerArgs, CompilerArgs, LinkerArgs>;
TYPED_TEST_SUITE(ToolArgsTest, Tools);

TYPED_TEST(ToolArgsTest, StartsDefaultWithoutAlternateHoldingTheToolsDefaultText) {
    auto args = this->make_args();
    ASSERT_TRUE(args);
    EXPECT_EQ(S_OK, args->IsDefault());
    EXPECT_EQ(S_FALSE, args->GetAltFlag());
    EXPECT_EQ(TypeParam::kDefaultText, this->text_of(args.get()));
}

TYPED_TEST(ToolArgsTest, OwnerIsTheToolAndClassIsItsOwn) {
    auto args = this->make_args();
    GUID owner = GUID_NULL;
    GUID own = GUID_NULL;
    ASSERT_EQ(S_OK, args->GetOwnerGUID(&owner));
    ASSERT_EQ(S_OK, args->GetCLSID(&own));
    EXPECT_TRUE(IsEqualGUID(TypeParam::tool(), owner));
    EXPECT_TRUE(IsEqualGUID(TypeParam::own(), own));
    EXPECT_FALSE(IsEqualGUID(owner, own));
    EXPECT_EQ(E_POINTER, args->GetOwnerGUID(nullptr));
    EXPECT_EQ(E_POINTER, args->GetCLSID(nullptr));
}

TYPED_TEST(ToolArgsTest, FlagsFollowTheirSettersIndependently) {
    auto args = this->make_args();
    EXPECT_EQ(S_OK, args->SetDefault(0));
    EXPECT_EQ(S_OK, args->SetAltFlag(-7)); // any nonzero value sets a flag
    EXPECT_EQ(S_FALSE, args->IsDefault());
    EXPECT_EQ(S_OK, args->GetAltFlag());

    EXPECT_EQ(S_OK, args->SetDefault(2));
    EXPECT_EQ(S_OK, args->SetAltFlag(0));
    ASSERT_EQ(S_OK, args->SetCmdLine(L"-X")); // the text leaves the flags alone
    EXPECT_EQ(S_OK, args->IsDefault());
    EXPECT_EQ(S_FALSE, args->GetAltFlag());
}

TYPED_TEST(ToolArgsTest, GenCmdLineAppendsOneBlankAndTheText) {
    auto args = this->make_args();
    const std::wstring defaultText = TypeParam::kDefaultText;
    EXPECT_EQ(defaultText.empty() ? L"velc18 -Q" : L"velc18 -Q " + defaultText,
              this->generate(args.get(), L"velc18 -Q"));

    ASSERT_EQ(S_OK, args->SetCmdLine(L"-W3 -D\xE9\xFF"));
    EXPECT_EQ(L"velc18 -Q -W3 -D\xE9\xFF", this->generate(args.get(), L"velc18 -Q"));
    EXPECT_EQ(L" -W3 -D\xE9\xFF", this->generate(args.get(), L""));

    // The flags are for the build driver to weigh, not for GenCmdLine.
    for (long isDefault : {0, 1})
        for (long alternate : {0, 1}) {
            args->SetDefault(isDefault);
            args->SetAltFlag(alternate);
            EXPECT_EQ(L"base -W3 -D\xE9\xFF", this->generate(args.get(), L"base"));
        }
}

TYPED_TEST(ToolArgsTest, GenCmdLineReplacesTheLineAndFreesTheOldOne) {
    auto args = this->make_args();
    TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.registered());
    const struct {
        const wchar_t* text;
        const wchar_t* line;
    } cases[] = {{L"-O -X", L"velc18 \"a.c\" -O -X"}, {L"", L"velc18 \"a.c\""}};
    for (const auto& c : cases) {
        ASSERT_EQ(S_OK, args->SetCmdLine(c.text));
        CoTaskString line = CoTaskString::copy_of(L"velc18 \"a.c\"");
        const wchar_t* incoming = line.get();
        ASSERT_EQ(S_OK, args->GenCmdLine(line.inout(), OP_ASSEMBLE, nullptr));
        EXPECT_STREQ(c.line, line.get());
        EXPECT_NE(incoming, line.get()) << "a new string even when nothing is appended";
        EXPECT_FALSE(spy.live(incoming));
        EXPECT_TRUE(spy.live(line.get()));
        EXPECT_EQ(1u, spy.live_count());
    }
}

TYPED_TEST(ToolArgsTest, GenCmdLineWithoutMemoryLeavesTheLineAlone) {
    auto args = this->make_args();
    ASSERT_EQ(S_OK, args->SetCmdLine(L"-ICD"));
    TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.registered());
    CoTaskString line = CoTaskString::copy_of(L"velc18");
    const wchar_t* incoming = line.get();
    spy.fail_allocations(true);
    EXPECT_EQ(E_OUTOFMEMORY, args->GenCmdLine(line.inout(), OP_LINK, nullptr));
    spy.fail_allocations(false);
    EXPECT_EQ(incoming, line.get());
    EXPECT_TRUE(spy.live(incoming));
    EXPECT_STREQ(L"velc18", line.get());
}

TYPED_TEST(ToolArgsTest, GenCmdLineRefusesAMissingLine) {
    auto args = this->make_args();
    EXPECT_EQ(E_POINTER, args->GenCmdLine(nullptr, OP_COMPILE, nullptr));
    LPWSTR missing = nullptr;
    EXPECT_EQ(E_POINTER, args->GenCmdLine(&missing, OP_COMPILE, nullptr));
    EXPECT_EQ(nullptr, missing);
}

// Each link holds one reference: setting it again keeps one, replacing or
// clearing it releases the old one, and the object's end releases the rest.
TYPED_TEST(ToolArgsTest, LinksHoldOneCountedReferenceEach) {
    CountedFake first[4], second[4];
    {
        auto args = this->make_args();
        auto set_links = [&](CountedFake* links) {
            EXPECT_EQ(S_OK, args->SetProject(links ? links[0].as<IProject>() : nullptr));
            EXPECT_EQ(S_OK, args->SetProjectNode(links ? links[1].as<IProjectNode>() : nullptr));
            EXPECT_EQ(S_OK, args->SetDisplay(links ? links[2].as<IProjectDisplay>() : nullptr));
            EXPECT_EQ(S_OK, args->SetParent(links ? links[3].as<IToolArgs>() : nullptr));
        };
        set_links(first);
        set_links(first);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(1, first[i].references()) << "link " << i;
        set_links(second);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(0, first[i].references()) << "link " << i;
            EXPECT_EQ(1, second[i].references()) << "link " << i;
        }
        set_links(nullptr);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(0, second[i].references()) << "link " << i;
        set_links(first);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(0, first[i].references()) << "link " << i;
}

// A file-level object keeps its project-level parent alive, and lets it go.
TYPED_TEST(ToolArgsTest, ParentLivesAsLongAsItsChild) {
    const long before = ModuleLock::count();
    auto projectLevel = this->make_args();
    auto fileLevel = this->make_args();
    ASSERT_EQ(S_OK, fileLevel->SetParent(projectLevel.get()));
    projectLevel = nullptr;
    EXPECT_EQ(before + 2, ModuleLock::count());
    fileLevel = nullptr;
    EXPECT_EQ(before, ModuleLock::count());
}

// An object that were its own parent would never be destroyed.
TYPED_TEST(ToolArgsTest, RefusesItselfAsParent) {
    const long before = ModuleLock::count();
    auto args = this->make_args();
    EXPECT_EQ(E_INVALIDARG, args->SetParent(args.get()));
    auto asSheet = args.template as<IExtendSettingsSheet>();
    ComPtr<IToolArgs> sameObject;
    ASSERT_EQ(S_OK, asSheet.query(sameObject));
    EXPECT_EQ(E_INVALIDARG, args->SetParent(sameObject.get()));
    asSheet = nullptr;
    sameObject = nullptr;
    args = nullptr;
    EXPECT_EQ(before, ModuleLock::count());
}

} // namespace
