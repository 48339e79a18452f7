// A suite that answers only what a test gives it: everything else is
// E_NOTIMPL, as a suite still being built would answer.
#pragma once

#include "host_test_support.h"

#include <functional>
#include <vector>

namespace veska::host::testing {

class FakeSuite : public suite::com::Object<FakeSuite, ISuite> {
public:
    using ProcessHandler =
        std::function<HRESULT(unsigned long, _NodeTag*, unsigned long, IProject*, IProjectManager*)>;
    ProcessHandler process;
    std::vector<suite::ComPtr<ITool>> tools;
    std::function<HRESULT(ISuiteArgs**)> createArgs;
    suite::ComPtr<IProjectManager> manager;
    int unloads = 0;

    HRESULT STDMETHODCALLTYPE Process(unsigned long cmd, _NodeTag* nodes, unsigned long count,
                                      IProject* project, IProjectManager* mgr) override {
        return process ? process(cmd, nodes, count, project, mgr) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Build(_NodeTag*, unsigned long, IProject*, IProjectManager*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Make(_NodeTag*, unsigned long, IProject*, IProjectManager*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetVisibleFolders(VisibleFolderFlag*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMainCmds(IExtendMenu**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectCmds(IExtendMenu**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFileCmds(IExtendMenu**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMainMenuInsertionPoint(unsigned int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProjectMenuInsertionPoint(unsigned int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFileMenuInsertionPoint(unsigned int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddToolbarBitmap(IToolbar*, unsigned int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNumTools(unsigned long* count) override {
        if (tools.empty())
            return E_NOTIMPL;
        *count = static_cast<unsigned long>(tools.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTool(unsigned long index, ITool** tool) override {
        *tool = nullptr;
        if (index >= tools.size())
            return E_FAIL;
        return tools[index].copy_to(tool);
    }
    HRESULT STDMETHODCALLTYPE CreateArgs(ISuiteArgs** args) override {
        return createArgs ? createArgs(args) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInternalName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFolderFilter(FileCat, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCLSIDOfToolForSuffix(GUID***, unsigned long*, LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ResetFileDialogString() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFileDialogString(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFileDialogStringIndex(int*, FileCat) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadToolLocations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SaveToolLocations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetManager(IProjectManager* mgr) override {
        manager = suite::ComPtr<IProjectManager>(mgr);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unload() override {
        ++unloads;
        manager = nullptr;
        tools.clear();
        return S_OK;
    }
};

} // namespace veska::host::testing

namespace veska::host::testing {

// A tool known by one of the module's class IDs: it keeps its location,
// makes LinkedArgs, and places messages of the form "X] FILE LINE : text".
class FakeTool : public suite::com::Object<FakeTool, ITool, IPersist> {
public:
    explicit FakeTool(const CLSID& clsid) : clsid_(clsid) {}
    std::wstring location;
    std::vector<suite::ComPtr<LinkedArgs>> made;

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*, IProject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLocation(LPWSTR* out) override { return copy_out(location, out); }
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR value) override {
        location = in_text(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadLocation() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SaveLocation() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* file, unsigned long* line, unsigned long* column,
                                                   LPCWSTR message) override {
        if (!message)
            return E_POINTER;
        const std::wstring text = message;
        const size_t bracket = text.find(L"] ");
        const size_t colon = text.find(L" : ");
        if (bracket == std::wstring::npos || colon == std::wstring::npos)
            return S_FALSE;
        const std::wstring place = text.substr(bracket + 2, colon - bracket - 2);
        const size_t blank = place.rfind(L' ');
        if (blank == std::wstring::npos)
            return S_FALSE;
        if (line)
            *line = wcstoul(place.c_str() + blank + 1, nullptr, 10);
        if (column)
            *column = 0;
        return file ? copy_out(place.substr(0, blank), file) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateArgs(IToolArgs** args, long) override {
        auto made_args = suite::com::make<LinkedArgs>();
        made.push_back(made_args);
        return made_args->QueryInterface(IID_IToolArgs, reinterpret_cast<void**>(args));
    }
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* out) override { return copy_out(L"fake tool", out); }
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int code) override { return code ? S_FALSE : S_OK; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
        *out = clsid_;
        return S_OK;
    }

private:
    CLSID clsid_;
};

} // namespace veska::host::testing
