// The host's creatable classes: the project node class the plug-in makes
// for build outputs, and the four legacy wrapper classes that stand in for
// components named in the legacy suites tree. register_host_classes() makes
// them creatable in this process for as long as its result lives.
#pragma once

#include "com_object.h"
#include "host_common.h"

#include <optional>

namespace veska::host {

// One wrapper class per depth of the legacy tree. It stands for the class
// given to SetAlias; IPersist names the wrapper class itself.
class LegacyWrapper : public suite::com::Object<LegacyWrapper, ILegacyAlias, IPersist> {
public:
    explicit LegacyWrapper(int depth, std::shared_ptr<Recorder> recorder = nullptr);

    static const CLSID& class_of_depth(int depth) noexcept;

    // ILegacyAlias
    HRESULT STDMETHODCALLTYPE SetAlias(const GUID* pclsid) override;
    HRESULT STDMETHODCALLTYPE GetAlias(GUID* pclsid) override;
    // IPersist
    VESKA_HOST_ANSWER(value_out(class_of_depth(depth_), pClassID), GetClassID, (CLSID * pClassID))

private:
    Recording recording_;
    int depth_;
    std::optional<GUID> alias_;
};

class HostClassRegistration {
public:
    // Registers the five class objects; objects they make record into recorder.
    explicit HostClassRegistration(std::shared_ptr<Recorder> recorder = nullptr);
    HostClassRegistration(const HostClassRegistration&) = delete;
    HostClassRegistration& operator=(const HostClassRegistration&) = delete;
    ~HostClassRegistration();

    // S_OK when every class was registered, else the first failure.
    HRESULT status() const noexcept { return status_; }

private:
    static constexpr int kClasses = 5;
    DWORD cookies_[kClasses] = {};
    std::shared_ptr<Recorder> previousRecorder_; // an enclosing registration's
    HRESULT status_ = S_OK;
};

// Registers the host classes until the result is destroyed (COM must be
// initialised on this thread for that long).
inline HostClassRegistration register_host_classes(std::shared_ptr<Recorder> recorder = nullptr) {
    return HostClassRegistration(std::move(recorder));
}

} // namespace veska::host
