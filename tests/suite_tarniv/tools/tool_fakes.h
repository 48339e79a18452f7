// Host-side stand-ins the tool tests need: a project that answers GetPath
// (and counts the questions), and a tool-arguments object that can also act
// as a host legacy wrapper.
#pragma once

#include "com_object.h"

#include <array>
#include <string>
#include <vector>

namespace suite::test {

#define SUITE_TEST_NOT_USED(name, params)                                                                    \
    HRESULT STDMETHODCALLTYPE name params override {                                                         \
        return E_NOTIMPL;                                                                                    \
    }

class PathProject : public com::Object<PathProject, IProject> {
public:
    void set_path(PathType type, std::wstring path) { paths_.at(type) = std::move(path); }
    // Makes GetPath fail with hr.
    void fail_get_path(HRESULT hr) { failure_ = hr; }
    const std::vector<PathType>& asked() const noexcept { return asked_; }

    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR* path, PathType type) override {
        asked_.push_back(type);
        if (FAILED(failure_))
            return failure_;
        if (!path || type < 0 || type >= PT_NUM_PATH_TYPES)
            return E_INVALIDARG;
        CoTaskString copy = CoTaskString::copy_of(paths_[type].c_str());
        *path = copy.release();
        return *path ? S_OK : E_OUTOFMEMORY;
    }

    SUITE_TEST_NOT_USED(GenCmdLine, (LPWSTR*, _NodeTag*, ULONG, ULONG, _PlatInfo*))
    SUITE_TEST_NOT_USED(LoadProjectFile, (LPCWSTR))
    SUITE_TEST_NOT_USED(SaveProjectFile, (ULONG, LPCWSTR))
    SUITE_TEST_NOT_USED(Clean, ())
    SUITE_TEST_NOT_USED(RemoveAllNodes, ())
    SUITE_TEST_NOT_USED(SetManager, (IProjectManager*))
    SUITE_TEST_NOT_USED(SetDisplay, (IProjectDisplay*))
    SUITE_TEST_NOT_USED(GetNumNodes, (ULONG*, FileCat))
    SUITE_TEST_NOT_USED(InsertNode, (IProjectNode*, FileCat*, ULONG*, LONG))
    SUITE_TEST_NOT_USED(RemoveNode, (FileCat, ULONG))
    SUITE_TEST_NOT_USED(GetNode, (IProjectNode**, FileCat, ULONG))
    SUITE_TEST_NOT_USED(GetSuiteArgs, (ISuiteArgs**))
    SUITE_TEST_NOT_USED(GetProjectToolArgsByCLSID, (GUID*, IToolArgs**))
    SUITE_TEST_NOT_USED(GetProjectToolArgsByIndex, (UINT, IToolArgs**))
    SUITE_TEST_NOT_USED(GetFileToolArgsByCLSID, (FileCat, ULONG, GUID*, IToolArgs**))
    SUITE_TEST_NOT_USED(GetFileToolArgsByIndex, (FileCat, ULONG, UINT, IToolArgs**))
    SUITE_TEST_NOT_USED(GetFileToolArgsBySuffix, (IToolArgs***, ULONG*, FileCat, ULONG))
    SUITE_TEST_NOT_USED(GetFolderSuffix, (LPWSTR*, FileCat))
    SUITE_TEST_NOT_USED(SetFolderSuffix, (LPCWSTR, FileCat))
    SUITE_TEST_NOT_USED(SortBySuffix, ())
    SUITE_TEST_NOT_USED(GetLocation, (LPWSTR*))
    SUITE_TEST_NOT_USED(SetLocation, (LPCWSTR))
    SUITE_TEST_NOT_USED(GetProjectDirectory, (LPWSTR*))
    SUITE_TEST_NOT_USED(SetPath, (LPCWSTR, PathType))
    SUITE_TEST_NOT_USED(GetSuite, (ISuite**))
    SUITE_TEST_NOT_USED(SetSuite, (ISuite*))
    SUITE_TEST_NOT_USED(TranslateToolMessage, (LPWSTR*, ULONG*, ULONG*, LPCWSTR, GUID*))
    SUITE_TEST_NOT_USED(NotifyBufferModified, (LPCWSTR))
    SUITE_TEST_NOT_USED(IsBuildRequired, ())
    SUITE_TEST_NOT_USED(SetBuildRequired, (LONG))
    SUITE_TEST_NOT_USED(IsSaveRequired, ())
    SUITE_TEST_NOT_USED(CheckFileTimestamps, ())
    SUITE_TEST_NOT_USED(Unload, ())
    SUITE_TEST_NOT_USED(IsStable, ())
    SUITE_TEST_NOT_USED(SetStable, (LONG))
    SUITE_TEST_NOT_USED(SetDefaultNodesStable, (LONG))
    SUITE_TEST_NOT_USED(GetToolLocStamp, (LPWSTR*, LPCWSTR))
    SUITE_TEST_NOT_USED(SetToolLocStamp, (LPCWSTR, LPCWSTR))

private:
    std::array<std::wstring, PT_NUM_PATH_TYPES> paths_;
    HRESULT failure_ = S_OK;
    std::vector<PathType> asked_;
};

// A tool-arguments object as a class registered in-process would give it, or
// as a host wrapper standing for a tool-arguments class.
class FakeToolArgs : public com::Object<FakeToolArgs, IToolArgs, ILegacyAlias> {
public:
    HRESULT STDMETHODCALLTYPE SetAlias(const GUID* clsid) override {
        alias_ = *clsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAlias(GUID* clsid) override {
        *clsid = alias_;
        return S_OK;
    }
    const CLSID& alias() const noexcept { return alias_; }

    SUITE_TEST_NOT_USED(GenCmdLine, (LPWSTR*, ULONG, _PlatInfo*))
    SUITE_TEST_NOT_USED(GetOwnerGUID, (GUID*))
    SUITE_TEST_NOT_USED(IsDefault, ())
    SUITE_TEST_NOT_USED(SetDefault, (LONG))
    SUITE_TEST_NOT_USED(GetCmdLine, (LPWSTR*))
    SUITE_TEST_NOT_USED(SetCmdLine, (LPCWSTR))
    SUITE_TEST_NOT_USED(GetAltFlag, ())
    SUITE_TEST_NOT_USED(SetAltFlag, (LONG))
    SUITE_TEST_NOT_USED(GetCLSID, (GUID*))
    SUITE_TEST_NOT_USED(SetParent, (IToolArgs*))
    SUITE_TEST_NOT_USED(SetProject, (IProject*))
    SUITE_TEST_NOT_USED(SetProjectNode, (IProjectNode*))
    SUITE_TEST_NOT_USED(SetDisplay, (IProjectDisplay*))

private:
    CLSID alias_ = GUID_NULL;
};

#undef SUITE_TEST_NOT_USED

} // namespace suite::test
