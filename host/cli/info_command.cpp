#include "info_command.h"

#include "module_classes.h"
#include "project_checks.h"

#include <cstdio>
#include <vector>

namespace veska::host::cli {

namespace {

constexpr long kHostMainReference = 32801; // the host's own "Debugger" item
constexpr long kHostProjectReference = 32802;
constexpr long kHostFileReference = 32803;
constexpr unsigned int kHostToolbarImages = 12; // buttons the host has already
constexpr int kMaxDialogStrings = 64;           // a guard against a suite that never says "last"

const char* const kFolderNames[FCAT_NUM_CATS] = {
    "sources",     "headers", "objects", "libraries", "linker scripts", "unknown", "intermediate files",
    "output files"};

std::string hex(unsigned long value, int digits = 8) {
    char text[20];
    snprintf(text, sizeof text, "0x%0*lX", digits, value);
    return text;
}

std::string not_answered(HRESULT hr) {
    return "(not answered: " + hresult_text(hr) + ")";
}

// A suite string answer as text, or why there is none.
template <class Call> std::string string_answer(Call&& call) {
    suite::CoTaskString text;
    const HRESULT hr = call(text.put());
    if (FAILED(hr))
        return not_answered(hr);
    return quoted(text.c_str());
}

// Reports each class object; returns how many the module serves.
int describe_module(Output& output) {
    std::wstring path;
    for (const ModuleClass& entry : kModuleClasses)
        if (path.empty())
            path = registered_module_path(*entry.clsid);
    output.out("Module: " + (path.empty() ? std::string("not registered") : utf8(path)) + "\n");
    output.out("Class objects:\n");
    int served = 0;
    for (const ModuleClass& entry : kModuleClasses) {
        suite::ComPtr<IClassFactory> factory;
        const HRESULT hr = CoGetClassObject(*entry.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                            factory.put_void());
        char line[160];
        snprintf(line, sizeof line, "  %-14s %s  %s\n", entry.name, guid_text(entry.clsid).c_str(),
                 SUCCEEDED(hr) ? "served" : ("not served: " + hresult_text(hr)).c_str());
        output.out(line);
        if (SUCCEEDED(hr))
            ++served;
    }
    return served;
}

struct ToolInfo {
    GUID clsid{};
    std::string name;
};

std::vector<ToolInfo> describe_tools(ISuite* suite, Output& output) {
    std::vector<ToolInfo> tools;
    unsigned long count = 0;
    const HRESULT counted = suite->GetNumTools(&count);
    if (FAILED(counted)) {
        output.out("Tools: " + not_answered(counted) + "\n");
        return tools;
    }
    output.out("Tools (" + std::to_string(count) + "):\n");
    for (unsigned long i = 0; i < count && i < 64; ++i) {
        suite::ComPtr<ITool> tool;
        const HRESULT got = suite->GetTool(i, tool.put());
        if (got != S_OK || !tool) {
            output.out("  " + std::to_string(i) + "  " + (FAILED(got) ? not_answered(got) : "(no tool)") +
                       "\n");
            continue;
        }
        ToolInfo info;
        tool_class_of(tool.get(), info.clsid);
        info.name = string_answer([&](LPWSTR* out) { return tool->GetName(out); });
        const std::string location = string_answer([&](LPWSTR* out) { return tool->GetLocation(out); });
        output.out("  " + std::to_string(i) + "  " + class_name(info.clsid) + "  " + info.name + "\n");
        output.out("     location: " + location + "\n");
        tools.push_back(info);
    }
    return tools;
}

void describe_folders(ISuite* suite, Output& output) {
    VisibleFolderFlag flags{};
    const HRESULT hr = suite->GetVisibleFolders(&flags);
    if (FAILED(hr)) {
        output.out("Visible folders: " + not_answered(hr) + "\n");
        return;
    }
    output.out("Visible folders (" + hex(static_cast<unsigned long>(flags), 2) + "):\n");
    for (int folder = FCAT_FIRST; folder < FCAT_NUM_CATS; ++folder) {
        if (!(static_cast<unsigned long>(flags) & (1ul << folder)))
            continue;
        char name[32];
        snprintf(name, sizeof name, "  %-20s", kFolderNames[folder]);
        std::string line = name;
        if (folder < FCAT_NUM_FILTERED)
            line += "filter " + string_answer([&](LPWSTR* out) {
                        return suite->GetFolderFilter(static_cast<FileCat>(folder), out);
                    });
        int index = -1;
        if (suite->GetFileDialogStringIndex(&index, static_cast<FileCat>(folder)) == S_OK)
            line += "  dialog string " + std::to_string(index);
        output.out(line + "\n");
    }
}

void describe_suffixes(ISuite* suite, const std::vector<ToolInfo>& tools, Output& output) {
    output.out("Tool for suffix:\n");
    for (const wchar_t* suffix : {L".as", L".c", L".h"}) {
        GUID** classes = nullptr;
        unsigned long count = 0;
        const HRESULT hr = suite->GetCLSIDOfToolForSuffix(&classes, &count, suffix);
        // The array is ours to free; the GUIDs are the plug-in's.
        const suite::CoTaskPtr<GUID*> owned(hr == S_OK ? classes : nullptr);
        std::string line = "  " + utf8(suffix) + std::string(6 - wcslen(suffix), ' ');
        if (FAILED(hr)) {
            line += not_answered(hr);
        } else if (hr != S_OK || !owned || count == 0) {
            line += "no tool";
        } else {
            for (unsigned long i = 0; i < count; ++i) {
                const GUID* clsid = owned.get()[i];
                if (!clsid)
                    continue;
                std::string name = class_name(*clsid);
                for (const ToolInfo& tool : tools)
                    if (IsEqualGUID(tool.clsid, *clsid))
                        name += " " + tool.name;
                line += (i ? ", " : "") + name;
            }
        }
        output.out(line + "\n");
    }
}

void describe_dialog_strings(ISuite* suite, Output& output) {
    const HRESULT reset = suite->ResetFileDialogString();
    if (FAILED(reset)) {
        output.out("File dialog strings: " + not_answered(reset) + "\n");
        return;
    }
    std::vector<std::string> strings;
    HRESULT hr = S_OK;
    for (int i = 0; i < kMaxDialogStrings && hr == S_OK; ++i) {
        suite::CoTaskString text;
        hr = suite->GetFileDialogString(text.put());
        if (FAILED(hr))
            break;
        strings.push_back(quoted(text.c_str()));
    }
    output.out("File dialog strings (" + std::to_string(strings.size()) + "):\n");
    for (size_t i = 0; i < strings.size(); ++i)
        output.out("  " + std::to_string(i) + "  " + strings[i] + "\n");
    if (FAILED(hr))
        output.out("  " + not_answered(hr) + "\n");
}

std::string hot_key_text(const MenuEntry& item) {
    if (!item.specialFlags && !item.hotKey)
        return {};
    return "  hot key " + std::to_string(item.hotKey) + " modifier " + hex(item.hotKeyModifier, 2);
}

using MenuGetter = HRESULT (STDMETHODCALLTYPE ISuite::*)(IExtendMenu**);
using InsertionSetter = HRESULT (STDMETHODCALLTYPE ISuite::*)(unsigned int);

void describe_menu(ISuite* suite, const char* title, MenuGetter getter, InsertionSetter setter,
                   long reference, Output& output) {
    auto menu = suite::com::make<HostMenu>();
    menu->add_host_item(reference, L"(host item)");
    (suite->*setter)(static_cast<unsigned int>(reference));
    suite::ComPtr<IExtendMenu> extension;
    const HRESULT got = (suite->*getter)(extension.put());
    if (FAILED(got) || !extension) {
        output.out(std::string(title) + ": " + not_answered(FAILED(got) ? got : E_NOINTERFACE) + "\n");
        return;
    }
    const HRESULT added = extension->AddMenuItems(menu.get());
    output.out(std::string(title) + " (before host item " + std::to_string(reference) + "):\n");
    if (FAILED(added))
        output.out("  " + not_answered(added) + "\n");
    for (const MenuEntry& item : menu->items()) {
        if (item.id == reference) {
            output.out("  " + std::to_string(item.id) + "  (host item)\n");
            continue;
        }
        // The state the suite gives the item when the menu opens.
        extension->UpdateDisplay(menu.get(), item.id);
        const MenuEntry* shown = menu->find(item.id);
        output.out("  " + std::to_string(item.id) + "  " + quoted(item.name.c_str()) + hot_key_text(item) +
                   "  state " + std::to_string(shown ? shown->state : item.state) + "\n");
    }
    extension->RemoveMenuItems(menu.get());
    if (menu->items().size() != 1)
        output.out("  (items left after RemoveMenuItems: " + std::to_string(menu->items().size() - 1) +
                   ")\n");
}

void describe_toolbar(ISuite* suite, Output& output) {
    auto toolbar = suite::com::make<HostToolbar>();
    unsigned int images = kHostToolbarImages;
    const HRESULT bitmap = suite->AddToolbarBitmap(toolbar.get(), &images);
    output.out("Toolbar:\n");
    if (FAILED(bitmap))
        output.out("  bitmap " + not_answered(bitmap) + "\n");
    for (const ToolbarBitmap& added : toolbar->bitmaps())
        output.out("  bitmap: " + std::to_string(added.buttonCount) + " images, " +
                   std::to_string(added.smallSize.cx) + "x" + std::to_string(added.smallSize.cy) + ", mask " +
                   hex(added.maskColor, 6) + ", first image " + std::to_string(kHostToolbarImages) + "\n");
    suite::ComPtr<IExtendToolbar> extension;
    const HRESULT queried = suite->QueryInterface(IID_IExtendToolbar, extension.put_void());
    if (FAILED(queried)) {
        output.out("  controls " + not_answered(queried) + "\n");
        return;
    }
    const HRESULT added = extension->AddControls(toolbar.get());
    if (FAILED(added))
        output.out("  controls " + not_answered(added) + "\n");
    for (const ToolbarEntry& control : toolbar->controls()) {
        if (control.style == 5 && control.tooltip.empty()) {
            output.out("  " + hex(static_cast<unsigned long>(control.id), 4) + "  separator\n");
            continue;
        }
        extension->UpdateDisplay(toolbar.get(), static_cast<unsigned int>(control.id));
        const ToolbarEntry* shown = toolbar->find(control.id);
        output.out("  " + std::to_string(control.id) + "  image " + std::to_string(control.flags) +
                   "  tooltip " + quoted(control.tooltip.c_str()) + "  state " +
                   std::to_string(shown ? shown->state : 0) + "\n");
        output.out("         status " + quoted(control.statusText.c_str()) + "\n");
    }
    extension->RemoveControls(toolbar.get());
    if (!toolbar->controls().empty())
        output.out("  (controls left after RemoveControls: " + std::to_string(toolbar->controls().size()) +
                   ")\n");
}

// An option text as the project file holds it, or the object's start.
std::wstring text_origin(const ToolSettings& settings, const GUID& tool, const std::wstring& section) {
    for (const auto& [owner, values] : settings)
        if (IsEqualGUID(owner, tool) && values.text)
            return L"from " + section;
    return L"the tool's default";
}

void describe_project_tools(ISuite* suite, const ProjectFile& file, const HostProject& project,
                            Output& output) {
    unsigned long count = 0;
    if (FAILED(suite->GetNumTools(&count)))
        count = 0;
    output.out("Tools:\n");
    for (unsigned long i = 0; i < count && i < 64; ++i) {
        suite::ComPtr<ITool> tool;
        GUID toolClass{};
        if (suite->GetTool(i, tool.put()) != S_OK || !tool || FAILED(tool_class_of(tool.get(), toolClass)))
            continue;
        const std::wstring name = from_utf8(class_name(toolClass));
        suite::CoTaskString location;
        tool->GetLocation(location.put());
        const std::wstring where = location && !location.empty() ? location.c_str() : L"(none)";
        const DWORD attributes =
            location && !location.empty() ? GetFileAttributesW(location.c_str()) : INVALID_FILE_ATTRIBUTES;
        output.out(L"  " + name + L"  " +
                   from_utf8(string_answer([&](LPWSTR* out) { return tool->GetName(out); })) + L"\n");
        output.out(L"    location: " + where + L"  (" + location_origin(file, toolClass) + L")" +
                   (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)
                        ? L"  not a file: builds fail with \"Couldn't locate build tool.\""
                        : L"") +
                   L"\n");
        suite::CoTaskString text;
        if (const suite::ComPtr<IToolArgs> args = project.project_tool_args(toolClass);
            args && SUCCEEDED(args->GetCmdLine(text.put())))
            output.out(L"    options: " + std::wstring(text && !text.empty() ? text.c_str() : L"(empty)") +
                       L"  (" + text_origin(file.projectArgs, toolClass, L"[Tool " + name + L"]") + L")\n");
        // The files whose own object of this tool is used (IsDefault not S_OK).
        for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
            for (size_t n = 0; n < project.node_count(static_cast<FileCat>(folder)); ++n) {
                const HostProjectNode* node =
                    HostProjectNode::from(project.node(static_cast<FileCat>(folder), n).get());
                const suite::ComPtr<IToolArgs> own = node ? node->args_for(toolClass) : nullptr;
                if (!own || own->IsDefault() == S_OK || FAILED(own->GetCmdLine(text.put())))
                    continue;
                output.out(L"    own options of " + node->location() + L": " +
                           std::wstring(text ? text.c_str() : L"") + L"  (from [File " + node->location() +
                           L"])\n");
            }
    }
}

} // namespace

std::wstring registered_module_path(const CLSID& clsid) {
    wchar_t clsidText[40];
    StringFromGUID2(clsid, clsidText, 40);
    const std::wstring key = std::wstring(L"CLSID\\") + clsidText + L"\\InprocServer32";
    wchar_t value[MAX_PATH * 2] = L"";
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

void describe_suite(SuiteSession& session, Output& output) {
    ISuite* suite = session.suite();
    output.out("Suite:\n");
    output.out("  name: " + string_answer([&](LPWSTR* out) { return suite->GetName(out); }) + "\n");
    output.out("  internal name: " + string_answer([&](LPWSTR* out) { return suite->GetInternalName(out); }) +
               "\n");
    const std::vector<ToolInfo> tools = describe_tools(suite, output);
    describe_folders(suite, output);
    describe_suffixes(suite, tools, output);
    describe_dialog_strings(suite, output);
    describe_menu(suite, "Main menu", &ISuite::GetMainCmds, &ISuite::SetMainMenuInsertionPoint,
                  kHostMainReference, output);
    describe_menu(suite, "Project menu", &ISuite::GetProjectCmds, &ISuite::SetProjectMenuInsertionPoint,
                  kHostProjectReference, output);
    describe_menu(suite, "File menu", &ISuite::GetFileCmds, &ISuite::SetFileMenuInsertionPoint,
                  kHostFileReference, output);
    describe_toolbar(suite, output);
}

int run_project_info_with(SuiteSession& session, const std::wstring& projectPath, Output& output) {
    ProjectFile file;
    const suite::ComPtr<HostProject> project = open_project(session, projectPath, file, output);
    if (!project)
        return kExitFailure;
    output.out(L"Project: " + file.path + L"\n");
    const DeviceInfo device = session.manager().script().device;
    output.out(L"Device: " + device.name + L" (family " + std::to_wstring(device.family) + L", type " +
               device.type + L", width " + std::to_wstring(device.width) + L")" +
               (file.device ? L"" : L"  (the host's default: the project has no [Device])") + L"\n");
    output.out("Paths:\n");
    for (int type = PT_FIRST_PATH_TYPE; type < PT_NUM_PATH_TYPES; ++type)
        output.out(L"  " + std::wstring(path_key(static_cast<PathType>(type))) + L"  " +
                   project->path(static_cast<PathType>(type)) + L"\n");
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder) {
        const std::vector<std::wstring> files = project->locations(static_cast<FileCat>(folder));
        output.out(std::string(kFolderNames[folder]) + " (" + std::to_string(files.size()) + ")" +
                   (files.empty() ? "" : ":") + "\n");
        for (const std::wstring& location : files)
            output.out(L"  " + location + L"\n");
    }
    describe_project_tools(session.suite(), file, *project.get(), output);
    suite::CoTaskString suiteText;
    if (project->suite_args() && SUCCEEDED(project->suite_args()->GetCmdLine(suiteText.put())))
        output.out(L"Suite options: " +
                   std::wstring(suiteText && !suiteText.empty() ? suiteText.c_str() : L"(empty)") + L"  (" +
                   (file.suiteText ? L"from [Suite]" : L"the suite's default") + L")\n");
    return kExitOk;
}

int run_project_info(const std::wstring& project, Output& output) {
    SuiteSession session;
    if (const int failed = connect_registered_suite(session, output))
        return failed;
    return run_project_info_with(session, project, output);
}

int run_info(Output& output) {
    SuiteSession session;
    if (FAILED(session.status())) {
        output.err("veska-host: cannot start COM: " + hresult_text(session.status()) + "\n");
        return kExitFailure;
    }
    if (describe_module(output) == 0) {
        output.err("veska-host: the plug-in module serves no class (is Suite_TARNIV18.dll registered?)\n");
        return kExitFailure;
    }
    const HRESULT created = session.create_suite();
    if (FAILED(created)) {
        output.out("Suite: not available yet " + not_answered(created) + "\n");
        return kExitOk;
    }
    describe_suite(session, output);
    return kExitOk;
}

} // namespace veska::host::cli
