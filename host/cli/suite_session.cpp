#include "suite_session.h"

#include "project_checks.h"

namespace veska::host::cli {

SuiteSession::SuiteSession()
    : registration_(nullptr), manager_(suite::com::make<HostProjectManager>(std::make_shared<Recorder>())) {}

SuiteSession::~SuiteSession() {
    if (manager_)
        manager_->shutdown();
}

HRESULT SuiteSession::status() const noexcept {
    if (FAILED(com_.result()))
        return com_.result();
    return registration_.status();
}

HRESULT SuiteSession::create_suite() {
    suite::ComPtr<ISuite> suite;
    const HRESULT created =
        CoCreateInstance(CLSID_S_TARNIV18, nullptr, CLSCTX_INPROC_SERVER, IID_ISuite, suite.put_void());
    if (FAILED(created))
        return created;
    return attach_suite(std::move(suite));
}

HRESULT SuiteSession::attach_suite(suite::ComPtr<ISuite> suite) {
    if (!suite)
        return E_POINTER;
    const HRESULT connected = suite->SetManager(manager_.get());
    if (FAILED(connected))
        return connected;
    suite_ = suite;
    manager_->add_suite(std::move(suite));
    // Results ignored, as the IDE does: a tool without a stored location
    // simply has none yet.
    suite_->LoadToolLocations();
    return S_OK;
}

int connect_registered_suite(SuiteSession& session, Output& output) {
    if (FAILED(session.status())) {
        output.err("veska-host: cannot start COM: " + hresult_text(session.status()) + "\n");
        return kExitFailure;
    }
    const HRESULT created = session.create_suite();
    if (FAILED(created)) {
        output.err("veska-host: cannot create the suite S_TARNIV18 (is Suite_TARNIV18.dll registered?): " +
                   hresult_text(created) + "\n");
        return kExitFailure;
    }
    return kExitOk;
}

suite::ComPtr<HostProject> open_project(SuiteSession& session, const std::wstring& path, ProjectFile& file,
                                        Output& output) {
    const auto report = [&output](const std::vector<std::wstring>& warnings) {
        for (const std::wstring& warning : warnings)
            output.err(L"veska-host: warning: " + warning + L"\n");
    };
    if (!check_project_path(path, output))
        return nullptr;
    const HRESULT read = read_project_file(path, file);
    if (FAILED(read)) {
        output.err(L"veska-host: cannot read the project file " + path + L": " + hresult_explained(read) +
                   L"\n");
        return nullptr;
    }
    report(file.warnings);
    warn_about_unmatched_file_sections(file, output);

    HostProjectManager& manager = session.manager();
    if (file.device)
        manager.script().device = *file.device;
    for (const auto& [key, value] : file.preferences)
        manager.script().preferences[key] = value;

    suite::ComPtr<HostProject> project = manager.add_project(file.path);
    project->set_suite(suite::ComPtr<ISuite>(session.suite()));
    std::vector<std::wstring> warnings, errors;
    const HRESULT applied = apply_project_file(file, *project.get(), &manager.display(), warnings, errors);
    report(warnings);
    if (FAILED(applied)) {
        output.err(L"veska-host: cannot set the project up: " + hresult_explained(applied) + L"\n");
        return nullptr;
    }
    for (const std::wstring& error : errors)
        output.err(L"veska-host: " + error + L"\n");
    if (!errors.empty())
        return nullptr;
    warnings.clear();
    const HRESULT loaded = load_project_state(file, *project.get(), warnings);
    report(warnings);
    if (FAILED(loaded)) {
        output.err(L"veska-host: cannot read the project's state in " + state_path_of(file.path) + L": " +
                   hresult_explained(loaded) + L"\n");
        return nullptr;
    }
    return project;
}

} // namespace veska::host::cli
