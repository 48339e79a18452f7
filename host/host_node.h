// A file of a project as the host keeps it: its location, the tool-argument
// objects of the file (one per tool CLSID) and its stability flag. This is
// also the creatable class HostProjectNode the plug-in makes for build
// outputs.
#pragma once

#include "com_object.h"
#include "host_common.h"

#include <utility>
#include <vector>

namespace veska::host {

// Argument objects keyed by their tool's CLSID, in insertion order.
using ToolArgsList = std::vector<std::pair<GUID, suite::ComPtr<IToolArgs>>>;
// Replaces the entry of tool, or appends one.
void set_tool_args(ToolArgsList& list, const GUID& tool, suite::ComPtr<IToolArgs> args);
suite::ComPtr<IToolArgs> find_tool_args(const ToolArgsList& list, const GUID& tool);

class HostProjectNode : public suite::com::Object<HostProjectNode, IProjectNode> {
public:
    explicit HostProjectNode(std::shared_ptr<Recorder> recorder = nullptr, std::wstring location = {});
    ~HostProjectNode() override;

    // The host object behind an IProjectNode when it is one of ours.
    static HostProjectNode* from(IProjectNode* node) noexcept;

    const std::wstring& location() const noexcept { return location_; }
    void set_location(std::wstring location) { location_ = std::move(location); }
    bool stable() const noexcept { return stable_; }
    void set_stable(bool stable) noexcept { stable_ = stable; }
    // The file's argument objects in insertion order.
    const ToolArgsList& args() const noexcept { return args_; }
    void set_args(const GUID& tool, suite::ComPtr<IToolArgs> args) {
        set_tool_args(args_, tool, std::move(args));
    }
    suite::ComPtr<IToolArgs> args_for(const GUID& tool) const { return find_tool_args(args_, tool); }
    // Drops every argument object (they may hold references back to us).
    void purge_args() noexcept { args_.clear(); }

    // IProjectNode
    VESKA_HOST_ANSWER(copy_out(location_, ppwszLoc), GetLocation, (LPWSTR * ppwszLoc), location_.c_str())
    VESKA_HOST_ANSWER(pwszLoc ? (location_ = pwszLoc, S_OK) : E_POINTER, SetLocation, (LPCWSTR pwszLoc),
                      pwszLoc)
    HRESULT STDMETHODCALLTYPE InsertArgs(IToolArgs* pArgs, GUID* clsidTool,
                                         IProjectDisplay* pDisplay) override;
    VESKA_HOST_ANSWER(purge_args(), PurgeArgs, ())
    HRESULT STDMETHODCALLTYPE PurgeArgsIfDefault() override;
    VESKA_HOST_ANSWER(object_out(clsidTool ? args_for(*clsidTool).get() : nullptr, ppArgs,
                                 clsidTool ? S_FALSE : E_POINTER),
                      GetArgsByCLSID, (IToolArgs * *ppArgs, GUID* clsidTool), {"tool", clsidTool})
    VESKA_HOST_ANSWER(object_out(uiIndex < args_.size() ? args_[uiIndex].second.get() : nullptr, ppArgs,
                                 S_FALSE),
                      GetArgsByIndex, (IToolArgs * *ppArgs, unsigned int uiIndex), uiIndex)
    VESKA_HOST_FLAG(IsStable, SetStable, stable_)

private:
    Recording recording_;
    std::wstring location_;
    ToolArgsList args_;
    bool stable_ = false; // a file never built is not stable
};

} // namespace veska::host
