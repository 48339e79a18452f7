// The host contract: every interface, record and enumeration shared with the
// VESKA IDE, as generated from the module's IDL files, plus the few facts about
// them that the COM plumbing needs.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "suite_tarniv18.h"
#include "host_ext.h"

#include <tuple>

// Codes the tools return from ITool::GenCmdLine.
constexpr HRESULT TOOL_E_UNSUPPORTEDDEVICE = static_cast<HRESULT>(0x80040201L);
constexpr HRESULT TOOL_E_NOTLOCATED = static_cast<HRESULT>(0x80040202L);

// Operation codes passed to GenCmdLine as Op.
enum ToolOp : unsigned long { OP_LINK = 1, OP_ASSEMBLE = 2, OP_COMPILE = 3 };

// Command identifiers of the build commands.
enum SuiteCommand : unsigned long {
    CMD_BUILD_ALL = 60000,
    CMD_ASSEMBLE = 60001,
    CMD_COMPILE = 60002,
    CMD_MAKE = 60003,
};

namespace suite {

// Under HKEY_CURRENT_USER: the tool locations (one value per tool, named by
// its internal name) and the suite's default directories.
inline constexpr char kToolLocationsKey[] = "Software\\Corvane\\VESKA IDE\\Tool Locations";

} // namespace suite

namespace suite::com {

// Interfaces whose vtable continues another's: an object answering the
// derived interface answers the base ones with the same pointer.
template <class I> struct SharesTableWith {
    using type = std::tuple<>;
};
template <> struct SharesTableWith<ISuiteEx> {
    using type = std::tuple<ISuite>;
};
template <> struct SharesTableWith<IProjectManagerEx> {
    using type = std::tuple<IProjectManager>;
};

} // namespace suite::com
