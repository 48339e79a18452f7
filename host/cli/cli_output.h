// Where the command line writes: standard output and error as UTF-8 bytes,
// exactly as given (no line-end translation), or strings for the tests.
#pragma once

#include <cstdio>
#include <string>

namespace veska::host::cli {

class Output {
public:
    virtual ~Output() = default;
    virtual void out(const std::string& text) = 0;
    virtual void err(const std::string& text) = 0;
    void out(const std::wstring& text);
    void err(const std::wstring& text);
};

// The process's standard output and error, switched to binary mode.
class ConsoleOutput final : public Output {
public:
    ConsoleOutput();
    void out(const std::string& text) override;
    void err(const std::string& text) override;
    using Output::err;
    using Output::out;
};

class StringOutput final : public Output {
public:
    void out(const std::string& text) override { out_ += text; }
    void err(const std::string& text) override { err_ += text; }
    using Output::err;
    using Output::out;
    const std::string& out_text() const noexcept { return out_; }
    const std::string& err_text() const noexcept { return err_; }

private:
    std::string out_;
    std::string err_;
};

// Exit codes of veska-host.
enum ExitCode : int { kExitOk = 0, kExitToolFailed = 1, kExitFailure = 2 };

} // namespace veska::host::cli
