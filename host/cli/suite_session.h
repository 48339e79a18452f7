// The plug-in loaded as the IDE loads it: COM on this thread, the host's
// classes registered, the suite created by its class ID and handed a
// recording project manager. Everything is given back in reverse order.
#pragma once

#include "cli_output.h"
#include "module_classes.h"
#include "project_file.h"
#include "unique_handles.h"
#include "veska_host.h"

namespace veska::host::cli {

using ComInitialization = suite::ComApartment;

class SuiteSession {
public:
    SuiteSession();
    SuiteSession(const SuiteSession&) = delete;
    SuiteSession& operator=(const SuiteSession&) = delete;
    // Unloads the suite and the projects before anything is released.
    ~SuiteSession();

    // S_OK when COM and the host classes are ready.
    HRESULT status() const noexcept;
    // Creates the registered suite (CLSID_S_TARNIV18) and connects it.
    HRESULT create_suite();
    // Connects a suite made elsewhere (a test's).
    HRESULT attach_suite(suite::ComPtr<ISuite> suite);

    ISuite* suite() const noexcept { return suite_.get(); }
    HostProjectManager& manager() const noexcept { return *manager_.get(); }
    const suite::ComPtr<HostProjectManager>& manager_ptr() const noexcept { return manager_; }

private:
    ComInitialization com_;
    HostClassRegistration registration_;
    suite::ComPtr<HostProjectManager> manager_;
    suite::ComPtr<ISuite> suite_;
};

// Readies session and creates the registered suite in it, as every command
// that drives the plug-in does: kExitOk, or kExitFailure with the reason on
// output's error stream.
int connect_registered_suite(SuiteSession& session, Output& output);

// Reads the project file and sets the project up in session as the IDE
// would: device, preferences, argument objects wired through the suite, and
// the state a previous run left. Warnings go to output; null, with the
// reason on output, when the file cannot be read or the project set up.
suite::ComPtr<HostProject> open_project(SuiteSession& session, const std::wstring& path, ProjectFile& file,
                                        Output& output);

} // namespace veska::host::cli
