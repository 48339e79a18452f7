#include "recorder.h"

#include <cstdio>
#include <cstring>

namespace veska::host {

std::optional<HRESULT> Recorder::enter(const char* interfaceName, const char* method, std::string arguments) {
    const bool manager =
        !strcmp(interfaceName, "IProjectManager") || !strcmp(interfaceName, "IProjectManagerEx");
    std::string line =
        (manager ? std::string() : interfaceName + std::string(".")) + method + "(" + arguments + ")";
    calls_.push_back(CallRecord{interfaceName, method, std::move(arguments), std::move(line), S_OK});

    std::optional<HRESULT> injected;
    const auto numbered = numbered_.find(calls_.size() - 1);
    const auto named = injections_.find(std::string(interfaceName) + "." + method);
    if (numbered != numbered_.end()) {
        injected = numbered->second;
    } else if (named != injections_.end() && named->second.skip > 0) {
        --named->second.skip;
    } else if (named != injections_.end() && named->second.times != 0) {
        if (named->second.times > 0)
            --named->second.times;
        injected = named->second.hr;
    }
    if (injected)
        calls_.back().result = *injected;
    return injected;
}

void Recorder::set_result(size_t index, HRESULT result) noexcept {
    if (index < calls_.size())
        calls_[index].result = result;
}

std::vector<std::string> Recorder::lines() const {
    std::vector<std::string> result;
    result.reserve(calls_.size());
    for (const CallRecord& call : calls_)
        result.push_back(call.line);
    return result;
}

std::vector<CallRecord> Recorder::calls_of(const std::string& name) const {
    const bool qualified = name.find('.') != std::string::npos;
    std::vector<CallRecord> result;
    for (const CallRecord& call : calls_)
        if (qualified ? call.interfaceName + "." + call.method == name : call.method == name)
            result.push_back(call);
    return result;
}

size_t Recorder::find(const std::string& text, size_t from) const noexcept {
    for (size_t i = from; i < calls_.size(); ++i)
        if (calls_[i].line.find(text) != std::string::npos)
            return i;
    return npos;
}

std::string utf8(const wchar_t* text) {
    if (!text || !*text)
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string result(static_cast<size_t>(length - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    return result;
}

std::string utf8(const std::wstring& text) {
    return utf8(text.c_str());
}

std::wstring from_utf8(const std::string& text) {
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
    return result;
}

std::string quoted(const wchar_t* text) {
    if (!text)
        return "null";
    // Each character of `special` is written as a backslash and its letter.
    static constexpr char special[] = "\\\"\n\r\t", letters[] = "\\\"nrt";
    std::string result = "\"";
    for (const char c : utf8(text)) {
        const char* at = c ? std::strchr(special, c) : nullptr;
        if (at)
            result += {'\\', letters[at - special]};
        else
            result += c;
    }
    return result + "\"";
}

std::string guid_text(const GUID* guid) {
    if (!guid)
        return "null";
    wchar_t text[40];
    StringFromGUID2(*guid, text, 40);
    return utf8(text);
}

std::string hresult_text(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string Argument::text() const {
    struct Formatter {
        std::string operator()(LPCWSTR text) const { return quoted(text); }
        std::string operator()(const GUID* guid) const { return guid_text(guid); }
        std::string operator()(const _NodeTag* tag) const { // (project,folder,file)
            return tag ? "(" + std::to_string(tag->project) + "," + std::to_string(tag->folder) + "," +
                             std::to_string(tag->file) + ")"
                       : "null";
        }
        std::string operator()(long long number) const { return std::to_string(number); }
        std::string operator()(unsigned long long number) const { return std::to_string(number); }
        std::string operator()(const Deferred& text) const { return text.format(text.context); }
    };
    std::string value = std::visit(Formatter{}, value_);
    return name_ ? name_ + ("=" + value) : value;
}

std::string Argument::joined(std::initializer_list<Argument> arguments) {
    std::string text;
    for (const Argument& argument : arguments)
        text += (text.empty() ? "" : ", ") + argument.text();
    return text;
}

} // namespace veska::host
