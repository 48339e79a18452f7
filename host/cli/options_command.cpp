#include "options_command.h"

#include "module_classes.h"
#include "project_file.h"
#include "sheet_driver.h"
#include "sheet_picture.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cwchar>

namespace veska::host::cli {

namespace {

struct ToolChoice {
    const wchar_t* name;
    const CLSID* tool; // null: the suite's own settings
};
const ToolChoice kToolChoices[] = {{L"as", &CLSID_T_TARNIV18as},
                                   {L"cc", &CLSID_T_TARNIV18cc},
                                   {L"ld", &CLSID_T_TARNIV18ld},
                                   {L"suite", nullptr}};

// One --do command, checked before the sheet opens.
struct SheetCommand {
    enum Verb { Category, Click, Select, Type, Macro, Show, Picture, Apply, Ok, Cancel } verb = Show;
    int number = 0;    // the category, or the control id
    int index = 0;     // select's item
    std::wstring text; // select's item by its text when byText
    bool byText = false;
};

std::optional<int> parse_int(const std::wstring& word) {
    if (word.empty())
        return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const long value = wcstol(word.c_str(), &end, 10);
    if (errno || !end || *end || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// The next blank-separated word from at; at moves past it and one blank.
std::wstring next_word(const std::wstring& text, size_t& at) {
    while (at < text.size() && text[at] == L' ')
        ++at;
    const size_t start = at;
    while (at < text.size() && text[at] != L' ')
        ++at;
    std::wstring word = text.substr(start, at - start);
    if (at < text.size())
        ++at; // the one separating blank; what follows is the rest, blanks included
    return word;
}

bool parse_command(const std::wstring& line, SheetCommand& command, std::wstring& error) {
    size_t at = 0;
    const std::wstring verb = next_word(line, at);
    const std::wstring rest = line.substr(std::min(at, line.size()));
    const auto number = [&](int& into, const wchar_t* what) {
        const std::wstring word = next_word(line, at);
        const std::optional<int> value = parse_int(word);
        if (!value) {
            error = L"\"" + line + L"\": " + what + L" is not a number";
            return false;
        }
        into = *value;
        return true;
    };
    const auto nothing_more = [&] {
        if (at < line.size() && line.find_first_not_of(L' ', at) != std::wstring::npos) {
            error = L"\"" + line + L"\": too many words";
            return false;
        }
        return true;
    };
    if (verb == L"category") {
        command.verb = SheetCommand::Category;
        return number(command.number, L"the category") && nothing_more();
    }
    if (verb == L"click") {
        command.verb = SheetCommand::Click;
        return number(command.number, L"the control id") && nothing_more();
    }
    if (verb == L"select") {
        command.verb = SheetCommand::Select;
        if (!number(command.number, L"the control id"))
            return false;
        // "select 223 =-W5": the item whose text is the rest, blanks included.
        if (at < line.size() && line[at] == L'=') {
            command.byText = true;
            command.text = line.substr(at + 1);
            return true;
        }
        return number(command.index, L"the item") && nothing_more();
    }
    if (verb == L"type") {
        command.verb = SheetCommand::Type;
        if (!number(command.number, L"the control id"))
            return false;
        command.text = line.substr(std::min(at, line.size()));
        return true;
    }
    if (verb == L"macro" || verb == L"png") {
        command.verb = verb == L"macro" ? SheetCommand::Macro : SheetCommand::Picture;
        command.text = rest;
        if (verb == L"png" && rest.empty()) {
            error = L"\"png\": no file named";
            return false;
        }
        return true;
    }
    const struct {
        const wchar_t* word;
        SheetCommand::Verb verb;
    } plain[] = {{L"show", SheetCommand::Show},
                 {L"apply", SheetCommand::Apply},
                 {L"ok", SheetCommand::Ok},
                 {L"cancel", SheetCommand::Cancel}};
    for (const auto& entry : plain)
        if (verb == entry.word) {
            command.verb = entry.verb;
            return nothing_more();
        }
    error =
        L"unknown command \"" + line +
        L"\" (category N, click ID, select ID N, select ID =TEXT, type ID TEXT, macro TEXT, show, png FILE, "
        L"apply, ok, cancel)";
    return false;
}

bool save_picture(HWND sheet, const std::wstring& path, Output& output) {
    const HRESULT saved = save_window_png(sheet, path);
    if (FAILED(saved))
        output.err(L"veska-host: cannot write the picture " + path + L": " + from_utf8(hresult_text(saved)) +
                   L"\n");
    return SUCCEEDED(saved);
}

// What a person reads beside a control: a box's own text, else the static
// text just before it in the dialog's order (its mnemonic "&" taken out).
std::wstring control_label(HWND control) {
    const auto text_of = [](HWND window) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        std::wstring shown;
        for (const wchar_t* c = text; *c; ++c)
            if (*c != L'&' || c[1] == L'&')
                shown += *c == L'&' ? *++c : *c;
        return shown;
    };
    const auto class_is = [](HWND window, const wchar_t* name) {
        wchar_t found[32] = {};
        return window && GetClassNameW(window, found, 32) && !_wcsicmp(found, name);
    };
    if (!control)
        return {};
    if (class_is(control, L"Button"))
        return text_of(control);
    const HWND before = GetWindow(control, GW_HWNDPREV);
    return class_is(before, L"Static") ? text_of(before) : std::wstring();
}

// `show`: each control's value, its label, and a list's items by index.
void show_page(const SheetDriver& driver, Output& output) {
    for (const auto& [name, value] : driver.show()) {
        output.out(name + L": " + value + L"\n");
        const std::optional<int> id = parse_int(name);
        if (!id)
            continue;
        const std::wstring label = control_label(driver.control(*id));
        if (!label.empty())
            output.out(L"    label: " + label + L"\n");
        const std::vector<std::wstring> items = driver.items(*id);
        const int selected = driver.selection(*id);
        for (size_t i = 0; i < items.size(); ++i)
            output.out(L"    item " + std::to_wstring(i) + L": " + items[i] +
                       (static_cast<int>(i) == selected ? L"  (selected)" : L"") + L"\n");
    }
}

// The item of a list whose text is text (as shown, else without case), or
// false with the items in the driver's error.
bool select_by_text(SheetDriver& driver, int id, const std::wstring& text, std::wstring& error) {
    const std::vector<std::wstring> items = driver.items(id);
    auto found = std::find(items.begin(), items.end(), text);
    if (found == items.end())
        found = std::find_if(items.begin(), items.end(), [&](const std::wstring& item) {
            return paths::equal_ignoring_case(item, text);
        });
    if (found == items.end()) {
        if (!driver.control(id)) {
            error = L"no control " + std::to_wstring(id) + L" on the page";
            return false;
        }
        std::wstring listed;
        for (size_t i = 0; i < items.size(); ++i)
            listed += (i ? L", " : L"") + std::to_wstring(i) + L" " + items[i];
        error = L"control " + std::to_wstring(id) + L" has no item \"" + text + L"\"" +
                (items.empty() ? L" (it is no list)" : L" (its items: " + listed + L")");
        return false;
    }
    return driver.select(id, static_cast<int>(found - items.begin()));
}

// Runs the script on an open sheet. False after the first command that fails.
bool run_script(SheetDriver& driver, const std::vector<SheetCommand>& script, Output& output) {
    for (const SheetCommand& command : script) {
        bool done = true;
        switch (command.verb) {
        case SheetCommand::Category:
            done = driver.category(command.number);
            break;
        case SheetCommand::Click:
            done = driver.click(command.number);
            break;
        case SheetCommand::Select:
            if (command.byText) {
                std::wstring error;
                done = select_by_text(driver, command.number, command.text, error);
                if (!done && !error.empty()) {
                    output.err(L"veska-host: " + error + L"\n");
                    return false;
                }
            } else {
                done = driver.select(command.number, command.index);
            }
            break;
        case SheetCommand::Type:
            done = driver.type(command.number, command.text);
            break;
        case SheetCommand::Macro:
            done = driver.macro(command.text);
            break;
        case SheetCommand::Show:
            if (driver.closed()) {
                output.err("veska-host: show: the sheet is closed\n");
                return false;
            }
            show_page(driver, output);
            break;
        case SheetCommand::Picture:
            if (!save_picture(driver.sheet(), command.text, output))
                return false;
            break;
        case SheetCommand::Apply:
            done = driver.apply();
            break;
        case SheetCommand::Ok:
            done = driver.ok();
            break;
        case SheetCommand::Cancel:
            done = driver.cancel();
            break;
        }
        if (!done) {
            output.err(L"veska-host: " + driver.error() + L"\n");
            return false;
        }
    }
    return true;
}

struct ArgsValues {
    std::wstring text;
    bool isDefault = false;
    bool alternate = false;
    bool operator==(const ArgsValues& other) const {
        return text == other.text && isDefault == other.isDefault && alternate == other.alternate;
    }
};

ArgsValues values_of(IToolArgs* tool, ISuiteArgs* suite) {
    ArgsValues values;
    suite::CoTaskString text;
    if (tool) {
        if (SUCCEEDED(tool->GetCmdLine(text.put())))
            values.text = text.c_str();
        values.isDefault = tool->IsDefault() == S_OK;
        values.alternate = tool->GetAltFlag() == S_OK;
    } else if (suite && SUCCEEDED(suite->GetCmdLine(text.put()))) {
        values.text = text.c_str();
    }
    return values;
}

std::wstring trim(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool starts_with_ignoring_case(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && paths::equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// The section the project file already has for these settings (any spelling
// of the tool or file the reader accepts), else the one to add.
std::wstring section_for(const std::wstring& projectPath, const GUID* tool, const std::wstring* file) {
    for (const std::wstring& name : read_ini_section_names(projectPath)) {
        if (!tool && paths::equal_ignoring_case(name, L"Suite"))
            return name;
        if (tool && !file && starts_with_ignoring_case(name, L"Tool ") &&
            !paths::equal_ignoring_case(name, L"Tool Locations")) {
            const std::optional<GUID> named = class_from_name(trim(name.substr(5)));
            if (named && IsEqualGUID(*named, *tool))
                return name;
        }
        if (file && starts_with_ignoring_case(name, L"File ") &&
            paths::equal_ignoring_case(trim(name.substr(5)), *file))
            return name;
    }
    if (!tool)
        return L"Suite";
    return file ? L"File " + *file : L"Tool " + from_utf8(class_name(*tool));
}

// Replaces the Text, Default and Alternate keys of one section in place
// (their spelling kept, missing ones added at its end); every other line of
// the section and the rest of the file stay as they were.
bool write_settings(const std::wstring& projectPath, const GUID* tool, const std::wstring* file,
                    const ArgsValues& values) {
    const std::wstring section = section_for(projectPath, tool, file);
    IniSection lines = read_ini_section(projectPath, section);
    std::vector<std::pair<std::wstring, std::wstring>> wanted{{L"Text", values.text}};
    if (tool) {
        wanted.emplace_back(L"Default", values.isDefault ? L"1" : L"0");
        wanted.emplace_back(L"Alternate", values.alternate ? L"1" : L"0");
    }
    // A file section names the tool in each key: "T_TARNIV18cc.Text".
    const auto key_names = [&](const std::wstring& key, const std::wstring& name) {
        std::wstring field = key;
        if (file) {
            const size_t dot = key.rfind(L'.');
            if (dot == std::wstring::npos)
                return false;
            const std::optional<GUID> named = class_from_name(key.substr(0, dot));
            if (!named || !IsEqualGUID(*named, *tool))
                return false;
            field = key.substr(dot + 1);
        }
        return paths::equal_ignoring_case(field, name) ||
               (name == L"Text" && paths::equal_ignoring_case(field, L"Options"));
    };
    for (const auto& [name, value] : wanted) {
        bool found = false;
        for (auto& line : lines)
            if (!line.first.empty() && key_names(line.first, name)) {
                line.second = value;
                found = true;
            }
        if (!found)
            lines.emplace_back(file ? from_utf8(class_name(*tool)) + L"." + name : name, value);
    }
    return write_ini_section(projectPath, section, lines);
}

std::vector<std::wstring> words_of(const std::wstring& text) {
    std::vector<std::wstring> words;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(L' ', at), text.size());
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// A page that applies what it shows rewrites the text: switches it has no
// control for are dropped, a missing text becomes the page's default. That
// stays as the IDE does it; the user hears of it.
void report_rewritten_text(const ArgsValues& before, const ArgsValues& after, bool textGiven,
                           const std::wstring& where, Output& output) {
    if (before.text == after.text)
        return;
    if (!textGiven) {
        output.err(L"veska-host: warning: " + where + L" is not set: the page replaced the starting text \"" +
                   before.text + L"\" with its default \"" + after.text + L"\"\n");
        return;
    }
    const std::vector<std::wstring> kept = words_of(after.text);
    std::wstring dropped;
    for (const std::wstring& word : words_of(before.text))
        if (std::find(kept.begin(), kept.end(), word) == kept.end())
            dropped += (dropped.empty() ? L"" : L" ") + word;
    if (!dropped.empty())
        output.err(L"veska-host: warning: the page dropped " + dropped + L" from " + where +
                   L" (switches it has no control for); the text is now \"" + after.text + L"\"\n");
}

// Whether a person could answer a modal sheet: a visible window station
// and, under Wine, a display to show it on.
bool desktop_is_interactive() {
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr) ||
        !(flags.dwFlags & WSF_VISIBLE))
        return false;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool underWine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return !underWine || GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) ||
           GetEnvironmentVariableW(L"WAYLAND_DISPLAY", nullptr, 0);
}

// Whether the project file gives the text the page opened on.
bool text_given(const ProjectFile& file, const GUID* tool, const std::optional<std::wstring>& location) {
    if (!tool)
        return file.suiteText.has_value();
    const ToolSettings* settings = location ? file.settings_of_file(*location) : &file.projectArgs;
    return settings && std::any_of(settings->begin(), settings->end(), [&](const auto& entry) {
               return IsEqualGUID(entry.first, *tool) && entry.second.text;
           });
}

// The file named on the command line among the project's own files: as
// listed, or the same file once both are resolved.
HostProjectNode* find_file(const HostProject& project, const std::wstring& name) {
    wchar_t here[MAX_PATH * 2];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 2, here);
    const std::wstring wanted =
        paths::absolute(name, length && length < MAX_PATH * 2 ? std::wstring(here, length) : std::wstring());
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (size_t i = 0; i < project.node_count(static_cast<FileCat>(folder)); ++i) {
            HostProjectNode* own = HostProjectNode::from(project.node(static_cast<FileCat>(folder), i).get());
            if (own && (paths::equal_ignoring_case(own->location(), name) ||
                        paths::equal_ignoring_case(
                            paths::absolute(own->location(), project.project_directory()), wanted)))
                return own;
        }
    return nullptr;
}

std::wstring file_name_of(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

int run_options_with(SuiteSession& session, const OptionsRequest& request, Output& output) {
    const ToolChoice* choice = nullptr;
    for (const ToolChoice& entry : kToolChoices)
        if (request.tool == entry.name)
            choice = &entry;
    if (!choice) {
        output.err(L"veska-host: unknown tool " + request.tool + L" (as, cc, ld or suite)\n");
        return kExitFailure;
    }
    if (!choice->tool && request.file) {
        output.err("veska-host: the suite's settings belong to the project: no FILE with suite\n");
        return kExitFailure;
    }
    std::vector<SheetCommand> script;
    for (const std::wstring& line : request.commands) {
        SheetCommand command;
        std::wstring error;
        if (!parse_command(line, command, error)) {
            output.err(L"veska-host: " + error + L"\n");
            return kExitFailure;
        }
        script.push_back(std::move(command));
    }

    ProjectFile file;
    const suite::ComPtr<HostProject> project = open_project(session, request.project, file, output);
    if (!project)
        return kExitFailure;

    // The argument object whose page opens.
    suite::ComPtr<IToolArgs> toolArgs;
    suite::ComPtr<ISuiteArgs> suiteArgs;
    std::optional<std::wstring> fileLocation;
    const std::wstring toolName = choice->tool ? from_utf8(class_name(*choice->tool)) : L"the suite";
    if (request.file) {
        HostProjectNode* node = find_file(*project.get(), *request.file);
        if (!node) {
            output.err(L"veska-host: " + *request.file + L" is not a file of the project\n");
            return kExitFailure;
        }
        fileLocation = node->location();
        toolArgs = node->args_for(*choice->tool);
        if (!toolArgs) {
            output.err(L"veska-host: " + *fileLocation + L" has no settings of " + toolName + L"\n");
            return kExitFailure;
        }
    } else if (choice->tool) {
        toolArgs = project->project_tool_args(*choice->tool);
    } else {
        suiteArgs = project->suite_args();
    }
    suite::ComPtr<IExtendSettingsSheet> pages;
    const HRESULT queried = toolArgs    ? toolArgs.query(pages)
                            : suiteArgs ? suiteArgs.query(pages)
                                        : E_NOINTERFACE;
    if (FAILED(queried) || !pages) {
        output.err(L"veska-host: the project has no settings of " + toolName + L" with pages: " +
                   from_utf8(hresult_text(FAILED(queried) ? queried : E_POINTER)) + L"\n");
        return kExitFailure;
    }
    const ArgsValues before = values_of(toolArgs.get(), suiteArgs.get());
    // What was stable before the page could say otherwise.
    std::vector<std::pair<HostProjectNode*, bool>> stability;
    for (int folder = FCAT_FIRST; folder < FCAT_NUM_CATS; ++folder)
        for (size_t i = 0; i < project->node_count(static_cast<FileCat>(folder)); ++i)
            if (HostProjectNode* own =
                    HostProjectNode::from(project->node(static_cast<FileCat>(folder), i).get()))
                stability.emplace_back(own, own->stable());

    const auto site = suite::com::make<HostSheetSite>();
    const HRESULT created = pages->CreatePages(site.get());
    if (FAILED(created) || site->pages().empty()) {
        output.err(L"veska-host: the settings of " + toolName + L" give no option page: " +
                   from_utf8(hresult_text(FAILED(created) ? created : E_FAIL)) + L"\n");
        return kExitFailure;
    }
    const std::wstring caption = L"Options for " + (fileLocation ? *fileLocation : file_name_of(file.path));

    bool pageApplied = false;
    bool scriptDone = true;
    if (script.empty() && !request.picture) {
        // A person at the sheet: it returns when they close it.
        if (!desktop_is_interactive()) {
            output.err(
                L"veska-host: no desktop to show \"" + caption +
                L"\" on, so no one could close it: work the sheet with --do COMMAND (e.g. --do show)\n");
            return kExitFailure;
        }
        output.err(L"veska-host: waiting for \"" + caption +
                   L"\" to be closed (OK, Apply or Cancel); --do COMMAND works it without a person\n");
        const INT_PTR answer = site->show_modal(caption);
        if (answer < 0) {
            output.err("veska-host: the platform cannot open the sheet\n");
            return kExitFailure;
        }
        pageApplied = answer > 0 || !(values_of(toolArgs.get(), suiteArgs.get()) == before);
    } else {
        PropertySheetWindow sheet = site->create_sheet(caption);
        if (!sheet) {
            output.err("veska-host: the platform cannot open the sheet\n");
            return kExitFailure;
        }
        SheetDriver driver(sheet.get());
        driver.pump();
        scriptDone = (!request.picture || save_picture(sheet.get(), *request.picture, output)) &&
                     run_script(driver, script, output);
        if (!driver.closed())
            driver.cancel();
        pageApplied = driver.applied();
    }

    const ArgsValues after = values_of(toolArgs.get(), suiteArgs.get());
    const bool changedControls = std::any_of(script.begin(), script.end(), [](const SheetCommand& command) {
        return command.verb == SheetCommand::Click || command.verb == SheetCommand::Select ||
               command.verb == SheetCommand::Type || command.verb == SheetCommand::Macro;
    });
    if (pageApplied && !changedControls)
        report_rewritten_text(
            before, after, text_given(file, choice->tool, fileLocation),
            L"[" + section_for(file.path, choice->tool, fileLocation ? &*fileLocation : nullptr) + L"] " +
                (fileLocation ? from_utf8(class_name(*choice->tool)) + L".Text" : L"Text"),
            output);
    output.out(L"Text=" + after.text + L"\n");
    if (toolArgs) {
        output.out(std::wstring(L"Default=") + (after.isDefault ? L"1" : L"0") + L"\n");
        output.out(std::wstring(L"Alternate=") + (after.alternate ? L"1" : L"0") + L"\n");
    }
    if (!pageApplied)
        return scriptDone ? kExitOk : kExitFailure;

    // What the page applied stays applied, as in the IDE, even when a later
    // command of the script failed.
    if (!write_settings(file.path, choice->tool, fileLocation ? &*fileLocation : nullptr, after)) {
        output.err(L"veska-host: cannot write the settings into " + file.path + L"\n");
        return kExitFailure;
    }
    // The page marks stale what follows the changed settings; files of
    // another tool (an assembler source after a compiler page) keep their
    // state, since their options did not change.
    for (const auto& [node, wasStable] : stability)
        if (wasStable && !node->stable() && choice->tool && !node->args_for(*choice->tool))
            node->set_stable(true);
    // The state is saved against the settings as now written: the next run
    // then sees exactly the staleness the page reported.
    ProjectFile written;
    HRESULT saved = read_project_file(file.path, written);
    if (SUCCEEDED(saved))
        saved = save_project_state(written, *project.get());
    if (FAILED(saved)) {
        output.err(L"veska-host: cannot keep the project's state in " + state_path_of(file.path) + L": " +
                   from_utf8(hresult_text(saved)) + L"\n");
        return kExitFailure;
    }
    return scriptDone ? kExitOk : kExitFailure;
}

int run_options(const OptionsRequest& request, Output& output) {
    SuiteSession session;
    if (const int failed = connect_registered_suite(session, output))
        return failed;
    return run_options_with(session, request, output);
}

} // namespace veska::host::cli
