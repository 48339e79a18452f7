#include "sheet_picture.h"

#include "com_ptr.h"
#include "unique_handles.h"

#include <uxtheme.h>
#include <vsstyle.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

namespace veska::host {
namespace {

using suite::UniqueDc;
using suite::UniqueGdiObject;
using suite::UniqueTheme;

// A 32-bit top-down DIB selected into a memory DC of its own.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        dc_.reset(CreateCompatibleDC(nullptr));
        if (!bitmap_ || !dc_ || !bits)
            return;
        bits_ = static_cast<BYTE*>(bits);
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() {
        if (previous_)
            SelectObject(dc_.get(), previous_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool valid() const noexcept { return bits_ != nullptr; }
    HDC dc() const noexcept { return dc_.get(); }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    UINT stride() const noexcept { return static_cast<UINT>(width_) * 4; }
    BYTE* bits() const noexcept { return bits_; }

private:
    int width_;
    int height_;
    UniqueGdiObject bitmap_;
    UniqueDc dc_;
    HGDIOBJ previous_ = nullptr;
    BYTE* bits_ = nullptr;
};

// Keeps object selected into dc for its lifetime.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

RECT offset_rect(RECT rect, LONG dx, LONG dy) {
    OffsetRect(&rect, dx, dy);
    return rect;
}

// The parts of one scroll bar in window coordinates.
struct ScrollBarParts {
    RECT area;
    RECT first; // up or left arrow
    RECT last;  // down or right arrow
    RECT thumb; // empty when there is none
    bool vertical;
    bool disabled;
};

// One scroll bar in the current theme's look, else in the classic one.
void draw_scroll_bar(HWND window, HDC dc, const ScrollBarParts& bar) {
    if (UniqueTheme theme{OpenThemeData(window, L"SCROLLBAR")}) {
        const int track = bar.vertical ? SBP_UPPERTRACKVERT : SBP_UPPERTRACKHORZ;
        DrawThemeBackground(theme.get(), dc, track, bar.disabled ? SCRBS_DISABLED : SCRBS_NORMAL, &bar.area,
                            nullptr);
        const int first = bar.vertical ? (bar.disabled ? ABS_UPDISABLED : ABS_UPNORMAL)
                                       : (bar.disabled ? ABS_LEFTDISABLED : ABS_LEFTNORMAL);
        const int last = bar.vertical ? (bar.disabled ? ABS_DOWNDISABLED : ABS_DOWNNORMAL)
                                      : (bar.disabled ? ABS_RIGHTDISABLED : ABS_RIGHTNORMAL);
        DrawThemeBackground(theme.get(), dc, SBP_ARROWBTN, first, &bar.first, nullptr);
        DrawThemeBackground(theme.get(), dc, SBP_ARROWBTN, last, &bar.last, nullptr);
        if (!IsRectEmpty(&bar.thumb))
            DrawThemeBackground(theme.get(), dc, bar.vertical ? SBP_THUMBBTNVERT : SBP_THUMBBTNHORZ,
                                SCRBS_NORMAL, &bar.thumb, nullptr);
        return;
    }
    FillRect(dc, &bar.area, GetSysColorBrush(COLOR_SCROLLBAR));
    const UINT inactive = bar.disabled ? DFCS_INACTIVE : 0;
    RECT first = bar.first;
    RECT last = bar.last;
    DrawFrameControl(dc, &first, DFC_SCROLL, (bar.vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
    DrawFrameControl(dc, &last, DFC_SCROLL, (bar.vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
    if (!IsRectEmpty(&bar.thumb)) {
        RECT thumb = bar.thumb;
        DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
}

void draw_scroll_bar(HWND window, HDC dc, LONG part, POINT windowOrigin) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetScrollBarInfo(window, part, &info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE))
        return;
    ScrollBarParts bar{};
    bar.area = offset_rect(info.rcScrollBar, -windowOrigin.x, -windowOrigin.y);
    if (IsRectEmpty(&bar.area))
        return;
    bar.vertical = part == OBJID_VSCROLL;
    bar.disabled = (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0;
    bar.first = bar.last = bar.area;
    const int button = info.dxyLineButton;
    if (bar.vertical) {
        bar.first.bottom = bar.first.top + button;
        bar.last.top = bar.last.bottom - button;
    } else {
        bar.first.right = bar.first.left + button;
        bar.last.left = bar.last.right - button;
    }
    if (!bar.disabled && info.xyThumbBottom > info.xyThumbTop) {
        bar.thumb = bar.area;
        if (bar.vertical) {
            bar.thumb.top = bar.area.top + info.xyThumbTop;
            bar.thumb.bottom = bar.area.top + info.xyThumbBottom;
        } else {
            bar.thumb.left = bar.area.left + info.xyThumbTop;
            bar.thumb.right = bar.area.left + info.xyThumbBottom;
        }
    }
    draw_scroll_bar(window, dc, bar);
}

// The caption's close button: a raised button with a cross, drawn with lines
// rather than the symbol font, which a bare prefix may lack.
void draw_close_button(HDC dc, RECT button) {
    DrawEdge(dc, &button, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    const int size = std::min(button.right - button.left, button.bottom - button.top) / 2;
    if (size < 3)
        return;
    const int left = (button.left + button.right - size) / 2;
    const int top = (button.top + button.bottom - size) / 2;
    UniqueGdiObject pen{CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNTEXT))};
    if (!pen)
        return;
    Selection selected(dc, pen.get());
    MoveToEx(dc, left, top, nullptr);
    LineTo(dc, left + size, top + size);
    MoveToEx(dc, left + size, top, nullptr);
    LineTo(dc, left, top + size);
}

// The frame, caption and scroll bars of window (bounds: its rectangle, client:
// its client area, both on the screen), drawn with the system's own drawing
// calls: Wine's PrintWindow leaves the non-client area out.
void draw_non_client(HWND window, HDC dc, const RECT& bounds, const RECT& client) {
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const POINT origin{bounds.left, bounds.top};
    RECT frame{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const bool captioned = (style & WS_CAPTION) == WS_CAPTION;
    if (captioned || (style & (WS_DLGFRAME | WS_THICKFRAME)) || (exStyle & WS_EX_DLGMODALFRAME)) {
        FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
    } else if (style & WS_BORDER) {
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&frame, -1, -1);
    }
    if (exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    if (exStyle & WS_EX_STATICEDGE)
        DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);

    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    if (captioned && GetTitleBarInfo(window, &title) && !(title.rgstate[0] & STATE_SYSTEM_INVISIBLE)) {
        // The caption row spans the client's width (the title bar's own
        // rectangle leaves the window menu's place out).
        RECT bar = offset_rect(title.rcTitleBar, -origin.x, -origin.y);
        bar.left = client.left - origin.x;
        bar.right = client.right - origin.x;
        DrawCaption(window, dc, &bar, DC_ACTIVE | DC_TEXT | DC_GRADIENT);
        if (style & WS_SYSMENU) {
            const int width = GetSystemMetrics(SM_CXSIZE);
            const int height = bar.bottom - bar.top;
            draw_close_button(dc, RECT{bar.right - width, bar.top + 2, bar.right - 2, bar.top + height - 2});
        }
    }
    if (style & WS_VSCROLL)
        draw_scroll_bar(window, dc, OBJID_VSCROLL, origin);
    if (style & WS_HSCROLL)
        draw_scroll_bar(window, dc, OBJID_HSCROLL, origin);
}

// Draws window onto its own canvas and copies the part of it inside clip
// (screen coordinates) onto the picture, whose top left is at origin. The
// canvas starts as what lies beneath the window, so whatever a control leaves
// unpainted (a group box's inside) shows its parent, as on screen.
bool compose(HWND window, const Canvas& picture, POINT origin, RECT clip) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    RECT visible{};
    if (!IntersectRect(&visible, &bounds, &clip))
        return true;
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    Canvas own(width, height);
    if (!own.valid())
        return false;
    BitBlt(own.dc(), 0, 0, width, height, picture.dc(), bounds.left - origin.x, bounds.top - origin.y,
           SRCCOPY);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    draw_non_client(window, own.dc(), bounds, client);

    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;
    if (clientWidth > 0 && clientHeight > 0) {
        Canvas inside(clientWidth, clientHeight);
        if (!inside.valid())
            return false;
        const int left = client.left - bounds.left;
        const int top = client.top - bounds.top;
        BitBlt(inside.dc(), 0, 0, clientWidth, clientHeight, own.dc(), left, top, SRCCOPY);
        PrintWindow(window, inside.dc(), PW_CLIENTONLY);
        BitBlt(own.dc(), left, top, clientWidth, clientHeight, inside.dc(), 0, 0, SRCCOPY);
    }
    BitBlt(picture.dc(), visible.left - origin.x, visible.top - origin.y, visible.right - visible.left,
           visible.bottom - visible.top, own.dc(), visible.left - bounds.left, visible.top - bounds.top,
           SRCCOPY);

    // Children show only inside this window's client area.
    RECT childClip{};
    if (!IntersectRect(&childClip, &client, &visible))
        return true;
    // Bottom of the z-order first, so the top-most child ends up in front.
    for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); child;
         child = GetWindow(child, GW_HWNDPREV)) {
        if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) && !compose(child, picture, origin, childClip))
            return false;
    }
    return true;
}

HRESULT write_png(const Canvas& picture, const std::wstring& path) {
    suite::ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IWICImagingFactory), factory.put_void());
    if (FAILED(hr))
        return hr;
    suite::ComPtr<IWICStream> stream;
    if (FAILED(hr = factory->CreateStream(stream.put())))
        return hr;
    if (FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
        return hr;
    suite::ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())))
        return hr;
    if (FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)))
        return hr;
    suite::ComPtr<IWICBitmapFrameEncode> frame;
    suite::ComPtr<IPropertyBag2> options;
    if (FAILED(hr = encoder->CreateNewFrame(frame.put(), options.put())))
        return hr;
    if (FAILED(hr = frame->Initialize(options.get())))
        return hr;
    if (FAILED(hr = frame->SetSize(static_cast<UINT>(picture.width()), static_cast<UINT>(picture.height()))))
        return hr;
    // Opaque pixels: the DIB's fourth byte is not an alpha the picture means.
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (FAILED(hr = frame->SetPixelFormat(&format)))
        return hr;
    if (format != GUID_WICPixelFormat32bppBGR)
        return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    const UINT stride = picture.stride();
    if (FAILED(hr = frame->WritePixels(static_cast<UINT>(picture.height()), stride,
                                       stride * static_cast<UINT>(picture.height()), picture.bits())))
        return hr;
    if (FAILED(hr = frame->Commit()))
        return hr;
    return encoder->Commit();
}

} // namespace

HRESULT save_window_png(HWND window, const std::wstring& path) {
    if (!window || !IsWindow(window))
        return E_INVALIDARG;
    RECT bounds{};
    if (!GetWindowRect(window, &bounds))
        return HRESULT_FROM_WIN32(GetLastError());
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0)
        return E_INVALIDARG;
    Canvas picture(width, height);
    if (!picture.valid())
        return E_OUTOFMEMORY;
    // White where nothing paints, rather than black.
    std::memset(picture.bits(), 0xFF, static_cast<size_t>(picture.stride()) * static_cast<size_t>(height));
    if (!compose(window, picture, POINT{bounds.left, bounds.top}, bounds))
        return E_OUTOFMEMORY;
    GdiFlush();
    return write_png(picture, path);
}

} // namespace veska::host
