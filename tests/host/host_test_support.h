// What the host's tests share: a COM apartment, a scratch directory and a
// minimal argument object that holds references back into the project, as
// the plug-in's argument objects do.
#pragma once

#include "unique_handles.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <string>

namespace veska::host::testing {

using suite::ComApartment;

// A fresh directory under the temporary folder, removed with its files.
class ScratchDirectory {
public:
    ScratchDirectory() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        wchar_t name[MAX_PATH];
        GetTempFileNameW(base, L"vh", 0, name);
        DeleteFileW(name);
        CreateDirectoryW(name, nullptr);
        path_ = name;
    }
    ~ScratchDirectory() { remove_tree(path_); }
    const std::wstring& path() const noexcept { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    void write(const std::wstring& name, const char* text = "") const {
        if (FILE* f = _wfopen(file(name).c_str(), L"wb")) {
            fputs(text, f);
            fclose(f);
        }
    }
    // UTF-16 with its byte-order mark: the profile functions then read every character.
    void write_wide(const std::wstring& name, const std::wstring& text) const {
        if (FILE* f = _wfopen(file(name).c_str(), L"wb")) {
            fputs("\xFF\xFE", f);
            for (const wchar_t c : text) {
                fputc(c & 0xFF, f);
                fputc(c >> 8, f);
            }
            fclose(f);
        }
    }
    bool exists(const std::wstring& name) const {
        return GetFileAttributesW(file(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static void remove_tree(const std::wstring& directory) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = directory + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    remove_tree(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(directory.c_str());
    }
    std::wstring path_;
};

// Holds its project and node the way the plug-in's argument objects do, so
// a host that never breaks those cycles leaks it.
class LinkedArgs : public suite::com::Object<LinkedArgs, IToolArgs> {
public:
    explicit LinkedArgs(std::wstring text = {}, bool isDefault = true)
        : text_(std::move(text)), default_(isDefault) {}

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* line, unsigned long, _PlatInfo*) override {
        if (!line)
            return E_POINTER;
        std::wstring joined = (*line ? *line : L"") + (text_.empty() ? L"" : L" " + text_);
        CoTaskMemFree(*line);
        *line = suite::CoTaskString::copy_of(joined.c_str()).release();
        return *line ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetOwnerGUID(GUID* tool) override {
        return tool ? (*tool = GUID_NULL, S_OK) : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE IsDefault() override { return default_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetDefault(long state) override {
        default_ = state != 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR* line) override { return copy_out(text_, line); }
    HRESULT STDMETHODCALLTYPE SetCmdLine(LPCWSTR line) override {
        text_ = in_text(line);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAltFlag() override { return alternate_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetAltFlag(long alternate) override {
        alternate_ = alternate != 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCLSID(GUID* clsid) override {
        return clsid ? (*clsid = GUID_NULL, S_OK) : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE SetParent(IToolArgs* parent) override { return keep(parent_, parent); }
    HRESULT STDMETHODCALLTYPE SetProject(IProject* project) override { return keep(project_, project); }
    HRESULT STDMETHODCALLTYPE SetProjectNode(IProjectNode* node) override { return keep(node_, node); }
    HRESULT STDMETHODCALLTYPE SetDisplay(IProjectDisplay* display) override {
        return keep(display_, display);
    }

    IToolArgs* parent() const noexcept { return parent_.get(); }
    IProject* project() const noexcept { return project_.get(); }
    IProjectNode* node() const noexcept { return node_.get(); }
    const std::wstring& text() const noexcept { return text_; }

private:
    template <class Interface> static HRESULT keep(suite::ComPtr<Interface>& slot, Interface* object) {
        slot = suite::ComPtr<Interface>(object);
        return S_OK;
    }
    std::wstring text_;
    bool default_;
    bool alternate_ = false;
    suite::ComPtr<IToolArgs> parent_;
    suite::ComPtr<IProject> project_;
    suite::ComPtr<IProjectNode> node_;
    suite::ComPtr<IProjectDisplay> display_;
};

// GUIDs the tests use as tool classes.
inline const GUID kToolA = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
inline const GUID kToolB = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};

} // namespace veska::host::testing
