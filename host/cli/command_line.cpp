#include "command_line.h"

#include "info_command.h"
#include "module_classes.h"
#include "nearest_name.h"

#include <algorithm>

#ifndef VESKA_HOST_VERSION
#define VESKA_HOST_VERSION "unknown"
#endif

namespace veska::host::cli {

namespace {

struct OptionSpec {
    const wchar_t* name;
    const char* value; // the value's placeholder, or null for a switch
    const char* help;
};

const OptionSpec kBuildOptions[] = {
    {L"--verbose", nullptr, "each command line, and what its tool printed, on standard error"},
    {L"--time", nullptr, "where the time went, on standard error at the end"},
    {L"--quiet", nullptr, "no progress line per tool run on standard error"},
    {L"--compile-commands", "FILE", "write a JSON compilation database of the C sources"},
    {L"--sarif", "FILE", "write the build's diagnostics as SARIF 2.1.0"},
};
const OptionSpec kOptionsOptions[] = {
    {L"--do", "COMMAND", "work the sheet with COMMAND (repeatable, in order) instead of a person"},
    {L"--png", "FILE", "write a picture of the sheet as it opened"},
};

enum class Shape { Build, Files, Info, Options, Help };

struct CommandSpec {
    const wchar_t* name;
    const char* operands;
    const char* summary;
    const char* description;
    Shape shape;
    unsigned long command; // the build command's id
};

const CommandSpec kCommands[] = {
    {L"build", "PROJECT.ini", "Build All: clean, build every source, link",
     "Build All (60000): deletes what earlier builds made, builds every source of [Sources] and links.",
     Shape::Build, CMD_BUILD_ALL},
    {L"make", "PROJECT.ini", "Make: build the sources that are out of date, link",
     "Make (60003): builds each source whose object is missing or older than the source, or older\n"
     "than a header listed in [Headers] (headers the project does not list are not looked at), then\n"
     "links.",
     Shape::Build, CMD_MAKE},
    {L"assemble", "PROJECT.ini FILE...", "assemble the given sources of the project",
     "Assemble (60001): runs the assembler on each FILE (a file of the project), without link.", Shape::Files,
     CMD_ASSEMBLE},
    {L"compile", "PROJECT.ini FILE...", "compile the given sources of the project",
     "Compile (60002): runs the C compiler on each FILE (a file of the project), without link.", Shape::Files,
     CMD_COMPILE},
    {L"info", "[PROJECT.ini]", "the plug-in's classes and tools, or a project's effective settings",
     "Without a project: the module's class objects and what its suite says about itself.\n"
     "With one: the device, folders, each tool's location and where it came from, each tool's\n"
     "option text and the files that have their own, as a build would use them.",
     Shape::Info, 0},
    {L"options", "PROJECT.ini TOOL [FILE]", "open a tool's option page (TOOL: as, cc, ld, suite)",
     "Opens the option page of TOOL (as, cc, ld, or suite) for the project, or for FILE's own\n"
     "settings, and writes what the page applied into the project file. Without --do a person\n"
     "works the sheet. COMMAND: category N, click ID, select ID N, select ID =TEXT,\n"
     "type ID TEXT, macro TEXT, show, png FILE, apply, ok, cancel.",
     Shape::Options, 0},
    {L"help", "[COMMAND]", "this text, or one command's options",
     "Prints the help of COMMAND, or the overview.", Shape::Help, 0},
};

std::vector<std::wstring> command_names() {
    std::vector<std::wstring> names;
    for (const CommandSpec& spec : kCommands)
        names.emplace_back(spec.name);
    return names;
}

const CommandSpec* find_command(const std::wstring& name) {
    for (const CommandSpec& spec : kCommands)
        if (name == spec.name)
            return &spec;
    return nullptr;
}

std::pair<const OptionSpec*, size_t> options_of(const CommandSpec& spec) {
    if (spec.shape == Shape::Build || spec.shape == Shape::Files)
        return {kBuildOptions, std::size(kBuildOptions)};
    if (spec.shape == Shape::Options)
        return {kOptionsOptions, std::size(kOptionsOptions)};
    return {nullptr, 0};
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    else
        text += "  ";
    return text;
}

std::string usage_line(const CommandSpec& spec) {
    return "usage: veska-host " + utf8(spec.name) + " " + spec.operands +
           (options_of(spec).second ? " [OPTIONS]" : "") + "\n";
}

std::string overview() {
    std::string text = "usage: veska-host COMMAND [ARGS] [OPTIONS]\n"
                       "\n"
                       "Builds and inspects VESKA projects with the TARNIV VELC-18 plug-in, as the VESKA IDE "
                       "would.\n"
                       "\n"
                       "Commands:\n";
    for (const CommandSpec& spec : kCommands)
        text += "  " + padded(utf8(spec.name) + " " + spec.operands, 34) + spec.summary + "\n";
    text += "\n"
            "Options:\n"
            "  -h, --help                        this text; after a command, that command's\n"
            "  --version                         the host's and the plug-in's versions\n"
            "\n"
            "Exit codes: 0 success, 1 a tool reported failure, 2 anything else.\n"
            "See 'veska-host help COMMAND' for a command's options.\n";
    return text;
}

std::string command_help(const CommandSpec& spec) {
    std::string text = usage_line(spec) + "\n" + spec.description + "\n";
    const auto [options, count] = options_of(spec);
    if (count) {
        text += "\nOptions:\n";
        for (size_t i = 0; i < count; ++i)
            text +=
                "  " +
                padded(utf8(options[i].name) + (options[i].value ? std::string(" ") + options[i].value : ""),
                       26) +
                options[i].help + "\n";
    }
    text += "  " + padded("-h, --help", 26) + "this text\n";
    return text;
}

CommandLine finished(int exitCode) {
    CommandLine line;
    line.exitCode = exitCode;
    return line;
}

// A usage error: the word at fault, the nearest valid word, where to look.
CommandLine usage_error(Output& output, const std::string& prefix, const std::wstring& message,
                        const std::optional<std::wstring>& nearest, const std::string& see) {
    output.err(prefix + utf8(message) + "\n");
    if (nearest)
        output.err("did you mean '" + utf8(*nearest) + "'?\n");
    output.err("See '" + see + "'.\n");
    return finished(kExitFailure);
}

CommandLine parse_command(const CommandSpec& spec, const std::vector<std::wstring>& args, Output& output) {
    const std::string prefix = "veska-host " + utf8(spec.name) + ": ";
    const std::string see = "veska-host help " + utf8(spec.name);
    const auto [options, count] = options_of(spec);
    CommandLine line;
    std::vector<std::wstring> operands;
    bool onlyOperands = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (onlyOperands || arg.empty() || arg[0] != L'-' || arg == L"-") {
            operands.push_back(arg);
            continue;
        }
        if (arg == L"--") {
            onlyOperands = true;
            continue;
        }
        if (arg == L"-h" || arg == L"--help") {
            output.out(command_help(spec));
            return finished(kExitOk);
        }
        // "--sarif=FILE" as well as "--sarif FILE".
        const size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        const OptionSpec* option = nullptr;
        for (size_t k = 0; k < count; ++k)
            if (name == options[k].name)
                option = &options[k];
        if (!option) {
            std::vector<std::wstring> names{L"--help"};
            for (size_t k = 0; k < count; ++k)
                names.emplace_back(options[k].name);
            return usage_error(output, prefix, L"unknown option '" + name + L"'", nearest_name(name, names),
                               see);
        }
        std::optional<std::wstring> value;
        if (equals != std::wstring::npos)
            value = arg.substr(equals + 1);
        else if (option->value && i + 1 < args.size())
            value = args[++i];
        if (option->value && !value)
            return usage_error(output, prefix, L"option '" + name + L"' needs a " + from_utf8(option->value),
                               std::nullopt, see);
        if (!option->value && value)
            return usage_error(output, prefix, L"option '" + name + L"' takes no value", std::nullopt, see);
        if (name == L"--verbose")
            line.build.verbose = true;
        else if (name == L"--time")
            line.build.timed = true;
        else if (name == L"--quiet")
            line.build.quiet = true;
        else if (name == L"--compile-commands")
            line.build.compileCommands = *value;
        else if (name == L"--sarif")
            line.build.sarif = *value;
        else if (name == L"--do")
            line.options.commands.push_back(*value);
        else if (name == L"--png")
            line.options.picture = *value;
    }

    const auto wrong_operands = [&](const std::wstring& why) {
        output.err(prefix + utf8(why) + "\n" + usage_line(spec));
        return finished(kExitFailure);
    };
    switch (spec.shape) {
    case Shape::Build:
    case Shape::Files: {
        if (operands.empty())
            return wrong_operands(L"no project file given");
        const bool files = spec.shape == Shape::Files;
        if (files && operands.size() < 2)
            return wrong_operands(L"no FILE given: name the sources to " + std::wstring(spec.name));
        if (!files && operands.size() > 1)
            return wrong_operands(L"unexpected argument '" + operands[1] + L"' (" + spec.name +
                                  L" builds the whole project; compile and assemble take files)");
        line.kind = CommandLine::Build;
        line.build.command = spec.command;
        line.build.project = operands[0];
        line.build.files.assign(operands.begin() + 1, operands.end());
        return line;
    }
    case Shape::Info:
        if (operands.size() > 1)
            return wrong_operands(L"unexpected argument '" + operands[1] + L"'");
        line.kind = operands.empty() ? CommandLine::ModuleInfo : CommandLine::ProjectInfo;
        if (!operands.empty())
            line.project = operands[0];
        return line;
    case Shape::Options:
        if (operands.size() < 2)
            return wrong_operands(operands.empty() ? L"no project file given"
                                                   : L"no TOOL given (as, cc, ld or suite)");
        if (operands.size() > 3)
            return wrong_operands(L"unexpected argument '" + operands[3] + L"'");
        line.kind = CommandLine::Options;
        line.options.project = operands[0];
        line.options.tool = operands[1];
        if (operands.size() == 3)
            line.options.file = operands[2];
        return line;
    case Shape::Help:
        if (operands.size() > 1)
            return wrong_operands(L"unexpected argument '" + operands[1] + L"'");
        if (operands.empty()) {
            output.out(overview());
            return finished(kExitOk);
        }
        if (const CommandSpec* asked = find_command(operands[0])) {
            output.out(command_help(*asked));
            return finished(kExitOk);
        }
        return usage_error(output, prefix, L"no such command '" + operands[0] + L"'",
                           nearest_name(operands[0], command_names()), "veska-host --help");
    }
    return finished(kExitFailure);
}

// The module's file version ("1.22.3.0"), or "" when it has none.
std::string file_version(const std::wstring& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (!size)
        return {};
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return {};
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionLS));
}

} // namespace

CommandLine parse_command_line(const std::vector<std::wstring>& args, Output& output) {
    if (args.empty()) {
        output.err(overview());
        return finished(kExitFailure);
    }
    const std::wstring& first = args[0];
    if (first == L"-h" || first == L"--help") {
        output.out(overview());
        return finished(kExitOk);
    }
    if (first == L"--version") {
        print_version(output);
        return finished(kExitOk);
    }
    if (const CommandSpec* spec = find_command(first))
        return parse_command(*spec, args, output);
    if (!first.empty() && first[0] == L'-')
        return usage_error(output, "veska-host: ", L"unknown option '" + first + L"'",
                           nearest_name(first, {L"--help", L"--version"}), "veska-host --help");
    return usage_error(output, "veska-host: ", L"'" + first + L"' is not a veska-host command",
                       nearest_name(first, command_names()), "veska-host --help");
}

void print_version(Output& output) {
    output.out("veska-host " VESKA_HOST_VERSION "\n");
    const std::wstring module = registered_module_path(CLSID_S_TARNIV18);
    if (module.empty()) {
        output.out("plug-in: not registered (register Suite_TARNIV18.dll with regsvr32)\n");
        return;
    }
    const std::string version = file_version(module);
    output.out("plug-in: Suite_TARNIV18 " +
               (version.empty() ? std::string("(no version information)") : version) + " (" + utf8(module) +
               ")\n");
}

} // namespace veska::host::cli
