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
