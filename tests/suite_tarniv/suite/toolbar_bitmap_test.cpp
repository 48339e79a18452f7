// The toolbar bitmap: one per process, so these tests have a process of
// their own.
#include "cs_tarniv.h"
#include "fake_host.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace suite_test {
namespace {

constexpr COLORREF kMask = RGB(0xC0, 0xC0, 0xC0);

// A toolbar that looks at the bitmaps while they are handed over (the suite
// frees its copies afterwards) and keeps the controls' image indexes.
class ExaminingToolbar : public suite::com::Object<ExaminingToolbar, IToolbar> {
public:
    struct BitmapCall {
        unsigned count;
        HBITMAP small;
        HBITMAP large;
        unsigned long maskColor;
    };
    std::vector<BitmapCall> bitmapCalls;
    std::function<void(HBITMAP small, HBITMAP large)> examine;
    std::vector<long> imageIndexes; // fFlags of each control added

    HRESULT STDMETHODCALLTYPE AddBitmap(unsigned count, HBITMAP small, HBITMAP large,
                                        unsigned long mask) override {
        bitmapCalls.push_back({count, small, large, mask});
        if (examine)
            examine(small, large);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddControl(_TOOLBARCONTROL* control) override {
        imageIndexes.push_back(control->fFlags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveControl(unsigned) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItemState(unsigned, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetControl(unsigned, HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveControls() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemState(unsigned, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AutoResize() override { return E_NOTIMPL; }
};

using suite::UniqueDc;

// What a button image looks like: how many pixels are not the mask colour,
// and whether its corner is the mask (the button's background).
struct ButtonImage {
    int drawnPixels = 0;
    bool cornerIsMask = false;
    std::vector<COLORREF> pixels;
};

ButtonImage read_button(HBITMAP bitmap, int button) {
    ButtonImage image;
    UniqueDc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(dc.get(), bitmap);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF pixel = GetPixel(dc.get(), button * 16 + x, y);
            image.pixels.push_back(pixel);
            if (pixel != kMask)
                ++image.drawnPixels;
        }
    image.cornerIsMask = image.pixels.front() == kMask;
    SelectObject(dc.get(), previous);
    return image;
}

TEST(ToolbarBitmapResource, IsTwoButtonsOfSixteenColours) {
    suite::test::SuiteDll dll;
    HRSRC resource =
        FindResourceW(dll.handle(), MAKEINTRESOURCEW(IDB_TOOLBAR), MAKEINTRESOURCEW(2) /*RT_BITMAP*/);
    ASSERT_NE(nullptr, resource);
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(dll.handle(), resource)));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(32, header->biWidth);
    EXPECT_EQ(15, header->biHeight);
    EXPECT_EQ(4, header->biBitCount);
}

TEST(ToolbarBitmap, GoesToTheHostOncePerProcess) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll; // the bitmap comes from the module's resources
    FakeToolClasses tools;
    auto first = suite::com::make<CS_TARNIV>();
    auto second = suite::com::make<CS_TARNIV>();
    auto toolbar = suite::com::make<ExaminingToolbar>();

    // Refused calls do not use up the process's one bitmap.
    unsigned count = 7;
    EXPECT_EQ(E_POINTER, first->AddToolbarBitmap(nullptr, &count));
    EXPECT_EQ(E_POINTER, first->AddToolbarBitmap(toolbar.get(), nullptr));
    EXPECT_EQ(7u, count);

    BITMAP smallInfo{};
    BITMAP largeInfo{};
    ButtonImage make;
    ButtonImage buildAll;
    toolbar->examine = [&](HBITMAP small, HBITMAP large) {
        GetObjectW(small, sizeof smallInfo, &smallInfo);
        GetObjectW(large, sizeof largeInfo, &largeInfo);
        make = read_button(small, 0);
        buildAll = read_button(small, 1);
    };
    ASSERT_EQ(S_OK, first->AddToolbarBitmap(toolbar.get(), &count));
    EXPECT_EQ(9u, count);
    ASSERT_EQ(1u, toolbar->bitmapCalls.size());
    const ExaminingToolbar::BitmapCall& call = toolbar->bitmapCalls[0];
    EXPECT_EQ(2u, call.count);
    EXPECT_EQ(0xC0C0C0u, call.maskColor);
    EXPECT_NE(call.small, call.large);
    EXPECT_EQ(32, smallInfo.bmWidth);
    EXPECT_EQ(15, smallInfo.bmHeight);
    EXPECT_EQ(32, largeInfo.bmWidth);
    EXPECT_EQ(15, largeInfo.bmHeight);
    // Two clear buttons on the mask colour, and not the same picture.
    EXPECT_TRUE(make.cornerIsMask);
    EXPECT_TRUE(buildAll.cornerIsMask);
    EXPECT_GT(make.drawnPixels, 40);
    EXPECT_GT(buildAll.drawnPixels, 40);
    EXPECT_NE(make.pixels, buildAll.pixels);
    // The host keeps its own copies; the suite's are freed.
    EXPECT_EQ(0u, GetObjectType(call.small));
    EXPECT_EQ(0u, GetObjectType(call.large));

    // The buttons use the images just added.
    first->AddControls(toolbar.get());
    EXPECT_EQ((std::vector<long>{0, 7, 8}), toolbar->imageIndexes);

    // Later calls, from this suite or another, add nothing.
    EXPECT_EQ(S_OK, first->AddToolbarBitmap(toolbar.get(), &count));
    EXPECT_EQ(S_OK, second->AddToolbarBitmap(toolbar.get(), &count));
    EXPECT_EQ(S_OK, second->AddToolbarBitmap(nullptr, nullptr));
    EXPECT_EQ(9u, count);
    EXPECT_EQ(1u, toolbar->bitmapCalls.size());
    // The second suite has no images of its own: its base stays 0.
    auto secondToolbar = suite::com::make<ExaminingToolbar>();
    second->AddControls(secondToolbar.get());
    EXPECT_EQ((std::vector<long>{0, 0, 1}), secondToolbar->imageIndexes);

    first->Unload();
}

} // namespace
} // namespace suite_test
