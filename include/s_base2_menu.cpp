#include "s_base2_menu.h"

#include "com_object.h"

#include <new>

namespace suite {

namespace {

using namespace build_commands;

// Menu order: Make before Build All, Assemble before Compile.
constexpr const BuildCommand* kMainMenuCommands[] = {&kMake, &kBuildAll};
constexpr const BuildCommand* kFileMenuCommands[] = {&kAssemble, &kCompile};

bool is_file_command(long id) noexcept {
    return id == CMD_ASSEMBLE || id == CMD_COMPILE;
}

} // namespace

long build_command_state(IProjectManager* manager) noexcept {
    return manager && manager->BuildIsUnderway() == S_OK ? 1 : 0;
}

MenuExtension::MenuExtension(const ComPtr<IProjectManager>& manager, MenuKind kind)
    : manager_(manager), isMain_(kind == MenuKind::Main),
      items_(static_cast<_MENUITEM*>(CoTaskMemAlloc(kItemCount * sizeof(_MENUITEM)))) {
    if (!items_)
        throw std::bad_alloc();
    const BuildCommand* const* commands = kind == MenuKind::File ? kFileMenuCommands : kMainMenuCommands;
    for (size_t i = 0; i < kItemCount; ++i) {
        const BuildCommand& command = *commands[i];
        _MENUITEM& item = items_[i];
        item = _MENUITEM{};
        item.lCommandID = command.id;
        item.lInsertionPoint = kItemInsertionPointField;
        item.fSpecialFlags = command.hotKey ? 1 : 0;
        // The host only reads the item texts; they stay constants of the suite.
        item.pszName = const_cast<LPWSTR>(command.menuName);
        item.HotKey.wKey = command.hotKey;
        item.HotKey.bModifier = command.hotKeyModifier;
    }
}

HRESULT MenuExtension::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = com::find_interface<IExtendMenu>(this, iid, /*answerUnknown=*/false);
    return *out ? S_OK : E_NOINTERFACE;
}

HRESULT MenuExtension::AddMenuItems(IMenu* menu) {
    if (!menu)
        return E_POINTER;
    // Each item goes in front of the reference item, so inserting the last
    // one first leaves them in table order.
    for (size_t i = kItemCount; i-- > 0;)
        menu->InsertItemBeforeID(&items_[i], insertionPoint_);
    return S_OK;
}

HRESULT MenuExtension::RemoveMenuItems(IMenu* menu) {
    if (!menu)
        return E_POINTER;
    for (size_t i = kItemCount; i-- > 0;)
        menu->RemoveItem(items_[i].lCommandID);
    return S_OK;
}

HRESULT MenuExtension::Command(IMenu* /*menu*/, long id) {
    IProjectManager* manager = manager_.get();
    if (!manager)
        return E_FAIL;

    _NodeTag tag{-1, -1, -1};
    ComPtr<IProjectDisplay> display;
    if (is_file_command(id) || !isMain_) {
        // File commands need a selected file, project commands a selected project.
        if (FAILED(manager->GetDisplay(display.put())) || !display)
            return E_FAIL;
        display->GetCurrentNodeTag(&tag);
        if (is_file_command(id) && tag.file < 0)
            return E_FAIL;
    } else {
        int active = -1;
        if (FAILED(manager->GetActiveProjectIndex(&active)))
            return E_FAIL;
        tag.project = active;
    }
    // No project open, or none selected: there is nothing to build.
    if (tag.project < 0)
        return E_FAIL;

    ComPtr<IProject> project;
    if (FAILED(manager->GetProject(project.put(), static_cast<unsigned long>(tag.project))) || !project)
        return E_FAIL;

    // The host carries the command out through the suite's Process.
    manager->Process(static_cast<unsigned long>(id), &tag, 1, project.get(), nullptr);
    return S_OK;
}

HRESULT MenuExtension::UpdateDisplay(IMenu* menu, long id) {
    if (!menu)
        return E_POINTER;
    menu->SetItemState(id, build_command_state(manager_.get()));
    return S_OK;
}

} // namespace suite
