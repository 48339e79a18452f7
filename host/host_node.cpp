#include "host_node.h"

#include <algorithm>
#include <set>

namespace veska::host {

namespace {
// Live node objects, so the project can reach its own nodes without going
// through (and recording) their COM methods. One thread: the host's.
std::set<IProjectNode*>& live_nodes() {
    static std::set<IProjectNode*> nodes;
    return nodes;
}
} // namespace

HostProjectNode::HostProjectNode(std::shared_ptr<Recorder> recorder, std::wstring location)
    : recording_(std::move(recorder), "IProjectNode"), location_(std::move(location)) {
    live_nodes().insert(this);
}

HostProjectNode::~HostProjectNode() {
    live_nodes().erase(this);
}

HostProjectNode* HostProjectNode::from(IProjectNode* node) noexcept {
    return node && live_nodes().count(node) ? static_cast<HostProjectNode*>(node) : nullptr;
}

void set_tool_args(ToolArgsList& list, const GUID& tool, suite::ComPtr<IToolArgs> args) {
    for (auto& entry : list)
        if (IsEqualGUID(entry.first, tool)) {
            entry.second = std::move(args);
            return;
        }
    list.emplace_back(tool, std::move(args));
}

suite::ComPtr<IToolArgs> find_tool_args(const ToolArgsList& list, const GUID& tool) {
    for (const auto& entry : list)
        if (IsEqualGUID(entry.first, tool))
            return entry.second;
    return nullptr;
}

HRESULT HostProjectNode::InsertArgs(IToolArgs* pArgs, GUID* clsidTool, IProjectDisplay*) {
    return recording_.call(__func__, {{"tool", clsidTool}}, [&] {
        if (!pArgs || !clsidTool)
            return E_POINTER;
        set_args(*clsidTool, suite::ComPtr<IToolArgs>(pArgs));
        return S_OK;
    });
}

HRESULT HostProjectNode::PurgeArgsIfDefault() {
    return recording_.call(__func__, [&] {
        const auto isDefault = [](const auto& entry) {
            return !entry.second || entry.second->IsDefault() == S_OK;
        };
        args_.erase(std::remove_if(args_.begin(), args_.end(), isDefault), args_.end());
    });
}

} // namespace veska::host
