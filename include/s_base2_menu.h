// The suite's build commands in the host's menus and toolbar: the three menu
// members of a suite object (main, project and file menu) and the command
// table the toolbar buttons share with them.
#pragma once

#include "com_ptr.h"
#include "contract.h"

#include <cstddef>
#include <iterator>

namespace suite {

// One build command as menus and toolbar show it.
struct BuildCommand {
    long id;
    const wchar_t* menuName;
    unsigned short hotKey; // 0: none
    unsigned char hotKeyModifier;
    const wchar_t* tooltip;       // toolbar buttons only
    const wchar_t* statusBarText; // toolbar buttons only
};

namespace build_commands {

inline constexpr BuildCommand kMake{
    CMD_MAKE, L"Make\tF10", 10,
    0x08,     L"Make",      L"Build only those files that are out of date, link, and load."};
inline constexpr BuildCommand kBuildAll{
    CMD_BUILD_ALL, L"Build All\tCtrl+F10", 10,
    0x0A,          L"Build All",           L"Build all source files, link, and load."};
inline constexpr BuildCommand kAssemble{CMD_ASSEMBLE, L"Assemble", 0, 0, nullptr, nullptr};
inline constexpr BuildCommand kCompile{CMD_COMPILE, L"Compile", 0, 0, nullptr, nullptr};

// The toolbar: a separator, then one button per command with the image of
// the same index in the suite's toolbar bitmap.
inline constexpr long kToolbarSeparatorId = 0xF21B;
inline constexpr long kToolbarSeparatorStyle = 5;
inline constexpr const BuildCommand* kToolbarButtons[] = {&kMake, &kBuildAll};
inline constexpr unsigned kToolbarButtonCount = std::size(kToolbarButtons);
inline constexpr COLORREF kToolbarMaskColor = 0xC0C0C0;

// Every menu item's lInsertionPoint field, as the host expects it.
inline constexpr long kItemInsertionPointField = static_cast<long>(0x80004001UL);

} // namespace build_commands

// The state menus and toolbar show for the build commands: 1 while the
// manager says a build is underway, else 0 (also when there is no manager).
long build_command_state(IProjectManager* manager) noexcept;

enum class MenuKind { Main, Project, File };

// The build commands of one host menu. A member of the suite object that
// lives exactly as long as the suite: not reference counted, and it answers
// IExtendMenu only.
class MenuExtension final : public IExtendMenu {
public:
    // manager is the owning suite's manager field; it is read on each command.
    // Throws std::bad_alloc when the item array cannot be allocated.
    MenuExtension(const ComPtr<IProjectManager>& manager, MenuKind kind);
    MenuExtension(const MenuExtension&) = delete;
    MenuExtension& operator=(const MenuExtension&) = delete;
    ~MenuExtension() = default;

    void set_insertion_point(unsigned int commandId) noexcept {
        insertionPoint_ = static_cast<long>(commandId);
    }
    long insertion_point() const noexcept { return insertionPoint_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IExtendMenu
    HRESULT STDMETHODCALLTYPE AddMenuItems(IMenu* menu) override;
    HRESULT STDMETHODCALLTYPE RemoveMenuItems(IMenu* menu) override;
    HRESULT STDMETHODCALLTYPE Command(IMenu* menu, long id) override;
    HRESULT STDMETHODCALLTYPE UpdateDisplay(IMenu* menu, long id) override;

private:
    static constexpr size_t kItemCount = 2;

    const ComPtr<IProjectManager>& manager_;
    const bool isMain_;
    long insertionPoint_ = 0;
    CoTaskPtr<_MENUITEM[]> items_;
};

} // namespace suite
