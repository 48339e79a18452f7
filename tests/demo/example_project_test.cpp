// The example project driven through the real programs: veska-host.exe loads
// the registered plug-in, which has the host run the stand-in velc18.exe.
// What the host prints is what it received, byte for byte.
#include "test_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

using suite::test::read_file;
using suite::test::TempDirectory;

std::wstring windows_path(const char* unixPath) {
    std::wstring path = unixPath[0] == '/' ? L"Z:" : L"";
    for (const char* p = unixPath; *p; ++p)
        path.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return path;
}

std::string narrow(const std::wstring& wide) {
    std::string out;
    for (wchar_t c : wide)
        out.push_back(static_cast<char>(c));
    return out;
}

void copy_tree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copy_tree(from + L"\\" + name, to + L"\\" + name);
        else
            ASSERT_TRUE(CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

struct HostRun {
    long exitCode = -1;
    std::string out;
    std::string err;
};

class ExampleProject : public ::testing::Test {
protected:
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    TempDirectory temp;
    std::wstring project;

    void SetUp() override {
        ASSERT_EQ(S_OK, dll.register_server());
        project = temp.file(L"blinky");
        copy_tree(windows_path(EXAMPLES_DIR) + L"\\blinky", project);
        const std::string velc18 = narrow(windows_path(VELC18_EXE));
        for (const wchar_t* ini : {L"blinky.ini", L"selftest.ini"}) {
            const std::wstring path = project + L"\\" + ini;
            std::string text = read_file(path);
            text += "\r\n[Tool Locations]\r\nT_TARNIV18as=" + velc18 + "\r\nT_TARNIV18cc=" + velc18 +
                    "\r\nT_TARNIV18ld=" + velc18 + "\r\n";
            ASSERT_TRUE(suite::test::write_file(path, text));
        }
    }

    int runs = 0;

    // Runs veska-host with its output and errors in files of their own. Under
    // wine the console host of the last tool a run starts inherits the run's
    // handles and can keep them open a moment after veska-host has ended: a
    // file shared with the previous run could not be opened again then.
    HostRun host(const std::wstring& arguments) {
        const std::wstring number = std::to_wstring(++runs);
        const std::wstring outFile = temp.file(L"out-" + number + L".txt"),
                           errFile = temp.file(L"err-" + number + L".txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out =
            CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        const DWORD outError = GetLastError();
        HANDLE err =
            CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        const DWORD errError = GetLastError();
        if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot create the output files: " << outError << ", " << errError;
            if (out != INVALID_HANDLE_VALUE)
                CloseHandle(out);
            if (err != INVALID_HANDLE_VALUE)
                CloseHandle(err);
            return HostRun{};
        }
        std::wstring line = L"\"" + windows_path(VESKA_HOST_EXE) + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        HostRun run;
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, project.c_str(),
                           &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            run.exitCode = static_cast<long>(code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(out);
        CloseHandle(err);
        run.out = read_file(outFile);
        run.err = read_file(errFile);
        return run;
    }
};

// "BUILD %s: %s\n" with the time text, which ends in its own line feed.
const std::string kBuildTime =
    "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n\n";

std::string escaped(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)");
}

TEST_F(ExampleProject, BuildAllThenMakePrintExactlyWhatTheHostReceived) {
    const HostRun build = host(L"build \"" + project + L"\\blinky.ini\" --quiet");
    EXPECT_EQ(0, build.exitCode) << build.out << build.err;
    EXPECT_TRUE(std::regex_match(build.out, std::regex("BUILD SUCCEEDED: " + kBuildTime))) << build.out;
    EXPECT_EQ("", build.err);
    // The linker's options of the project: Intel hex target and a map file.
    EXPECT_FALSE(read_file(project + L"\\out\\blinky.hex").empty());
    EXPECT_FALSE(read_file(project + L"\\out\\blinky.map").empty());

    const HostRun make = host(L"make \"" + project + L"\\blinky.ini\"");
    EXPECT_EQ(0, make.exitCode) << make.out << make.err;
    std::string expected;
    for (const char* object : {"start.obj", "main.obj", "led.obj"})
        expected +=
            escaped("The target \"" + narrow(project) + "\\obj\\" + object + "\" is already up to date.\n");
    EXPECT_TRUE(std::regex_match(make.out, std::regex(expected + "BUILD SUCCEEDED: " + kBuildTime)))
        << make.out << make.err << read_file(project + L"\\blinky.ini.state");
    // Progress counts what the Make runs: the link alone; then what the
    // up-to-date test compared against.
    EXPECT_EQ(
        "[1/1] ld out\\blinky.hex\nveska-host: make: the up-to-date test compared against 1 header listed in "
        "[Headers]; a header the project does not list is not looked at\n",
        make.err);
}

TEST_F(ExampleProject, AFaultySourceIsReportedAndPlacedAndTheCompileFails) {
    const HostRun compile = host(L"compile selftest.ini src\\selftest.c --quiet");
    EXPECT_EQ(1, compile.exitCode) << compile.out << compile.err;
    const std::string source = narrow(project) + "\\src\\selftest.c";
    const std::string message = "#error directive: LED self-test is not written yet";
    EXPECT_TRUE(
        std::regex_match(compile.out, std::regex(escaped("Error[100] " + source + " 4 : " + message + "\n") +
                                                 "BUILD FAILED: " + kBuildTime)))
        << compile.out;
    EXPECT_EQ(source + "(4): Error[100] " + message + "\n", compile.err);
}

} // namespace
