// What all four argument classes share: their interfaces and the option text
// they keep for the host (GetCmdLine/SetCmdLine), with its 2,047-character
// bound and its one-byte characters.
#include "args_fakes.h"

#include "csa_tarniv.h"
#include "cta_tarniv.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using args_test::TaskAllocatorSpy;
using suite::ComPtr;
using suite::CoTaskString;

template <class C, class I, class Other> struct Subject {
    using Class = C;
    using Interface = I;          // the class's own interface
    using OtherInterface = Other; // the other kind of argument object's
};

using ArgumentClasses = ::testing::Types<
    Subject<CTA_TARNIVas, IToolArgs, ISuiteArgs>, Subject<CTA_TARNIVcc, IToolArgs, ISuiteArgs>,
    Subject<CTA_TARNIVld, IToolArgs, ISuiteArgs>, Subject<CSA_TARNIV, ISuiteArgs, IToolArgs>>;

template <class S> class ArgumentObjectTest : public ::testing::Test {
protected:
    using Interface = typename S::Interface;

    ComPtr<Interface> make_args() {
        ComPtr<Interface> args = suite::com::make<typename S::Class>().template as<Interface>();
        EXPECT_TRUE(args);
        return args;
    }
    static std::wstring text_of(Interface* args) {
        CoTaskString text;
        EXPECT_EQ(S_OK, args->GetCmdLine(text.put()));
        EXPECT_TRUE(text) << "an answer of S_OK carries a string";
        return text.c_str();
    }

    suite::test::ComApartment apartment_;
};

TYPED_TEST_SUITE(ArgumentObjectTest, ArgumentClasses);

TYPED_TEST(ArgumentObjectTest, AnswersItsOwnInterfaceAndTheSettingsSheetOnly) {
    auto args = this->make_args();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, args->QueryInterface(IID_IUnknown, identity.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(args.get()), identity.get());
    EXPECT_TRUE(args.template as<IExtendSettingsSheet>());

    ComPtr<typename TypeParam::OtherInterface> other;
    EXPECT_EQ(E_NOINTERFACE, args.query(other));
    EXPECT_FALSE(other);
    ComPtr<IPersist> persist;
    EXPECT_EQ(E_NOINTERFACE, args.query(persist));
}

TYPED_TEST(ArgumentObjectTest, TextKeepsEveryCharacterCodeUpTo255) {
    auto args = this->make_args();
    std::wstring all;
    for (wchar_t code = 1; code <= 255; ++code)
        all.push_back(code);
    ASSERT_EQ(S_OK, args->SetCmdLine(all.c_str()));
    EXPECT_EQ(all, this->text_of(args.get()));

    ASSERT_EQ(S_OK, args->SetCmdLine(L""));
    EXPECT_EQ(L"", this->text_of(args.get()));
}

TYPED_TEST(ArgumentObjectTest, TextHoldsExactly2047Characters) {
    auto args = this->make_args();
    std::wstring longest;
    for (size_t i = 0; i < 2047; ++i)
        longest.push_back(static_cast<wchar_t>(L'!' + i % 90));
    ASSERT_EQ(S_OK, args->SetCmdLine(longest.c_str()));
    EXPECT_EQ(longest, this->text_of(args.get()));
}

// A text that cannot be stored whole is refused and the stored text kept:
// cutting it or substituting characters would lose options without a word.
TYPED_TEST(ArgumentObjectTest, RefusesTextItCannotStoreWholeAndKeepsTheOldOne) {
    auto args = this->make_args();
    ASSERT_EQ(S_OK, args->SetCmdLine(L"-W3 -Zg9"));

    const std::wstring refused[] = {
        std::wstring(2048, L'x'),
        std::wstring(100000, L'y'),
        L"-D\x0100",
        L"\xFFFF",
        L"-DNAME=\xD83D\xDE00", // a surrogate pair
        std::wstring(2046, L'z') + L"\x20AC",
    };
    for (const std::wstring& text : refused) {
        EXPECT_EQ(E_INVALIDARG, args->SetCmdLine(text.c_str())) << "length " << text.size();
        EXPECT_EQ(L"-W3 -Zg9", this->text_of(args.get()));
    }
}

TYPED_TEST(ArgumentObjectTest, NullPointersAreRefused) {
    auto args = this->make_args();
    ASSERT_EQ(S_OK, args->SetCmdLine(L"-O"));
    EXPECT_EQ(E_POINTER, args->GetCmdLine(nullptr));
    EXPECT_EQ(E_POINTER, args->SetCmdLine(nullptr));
    EXPECT_EQ(L"-O", this->text_of(args.get()));
}

TYPED_TEST(ArgumentObjectTest, GetCmdLineWithoutMemoryAnswersNull) {
    auto args = this->make_args();
    TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.registered());
    spy.fail_allocations(true);
    wchar_t sentinel[] = L"untouched";
    LPWSTR text = sentinel;
    EXPECT_EQ(E_OUTOFMEMORY, args->GetCmdLine(&text));
    EXPECT_EQ(nullptr, text);
    spy.fail_allocations(false);

    // What succeeds hands the caller exactly one block.
    CoTaskString copy;
    ASSERT_EQ(S_OK, args->GetCmdLine(copy.put()));
    EXPECT_TRUE(spy.live(copy.get()));
    EXPECT_EQ(1u, spy.live_count());
}

} // namespace
