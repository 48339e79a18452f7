#include "host_classes.h"

#include "host_node.h"

#include <iterator>
#include <utility>

namespace veska::host {

namespace {

// Where objects made by the class objects record; set while registered.
std::shared_ptr<Recorder>& creation_recorder() {
    static std::shared_ptr<Recorder> recorder;
    return recorder;
}

// A new object of a creatable class (a wrapper is made for its depth).
template <class Object, int... Depth> HRESULT create(REFIID iid, void** out) noexcept {
    return guarded(
        [&] { return suite::com::make<Object>(Depth..., creation_recorder())->QueryInterface(iid, out); });
}

// The creatable classes and their class objects: the node, then the wrappers by depth.
struct HostClass {
    const CLSID* clsid;
    suite::com::ClassFactory factory;
} g_classes[] = {{&CLSID_HostProjectNode, suite::com::ClassFactory(&create<HostProjectNode>)},
                 {&CLSID_LegacyWrapperDepth0, suite::com::ClassFactory(&create<LegacyWrapper, 0>)},
                 {&CLSID_LegacyWrapperDepth1, suite::com::ClassFactory(&create<LegacyWrapper, 1>)},
                 {&CLSID_LegacyWrapperDepth2, suite::com::ClassFactory(&create<LegacyWrapper, 2>)},
                 {&CLSID_LegacyWrapperDepth3, suite::com::ClassFactory(&create<LegacyWrapper, 3>)}};

} // namespace

LegacyWrapper::LegacyWrapper(int depth, std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "ILegacyAlias"), depth_(depth) {}

const CLSID& LegacyWrapper::class_of_depth(int depth) noexcept {
    return *g_classes[1 + (depth >= 0 && depth < 3 ? depth : 3)].clsid;
}

HRESULT LegacyWrapper::SetAlias(const GUID* pclsid) {
    return recording_.call(__func__, {pclsid}, [&] {
        if (!pclsid)
            return E_POINTER;
        alias_ = *pclsid;
        return S_OK;
    });
}

HRESULT LegacyWrapper::GetAlias(GUID* pclsid) {
    return recording_.call(__func__, [&] {
        if (!pclsid)
            return E_POINTER;
        // Before SetAlias the wrapper stands for nothing: an empty answer.
        *pclsid = alias_.value_or(GUID_NULL);
        return alias_ ? S_OK : S_FALSE;
    });
}

HostClassRegistration::HostClassRegistration(std::shared_ptr<Recorder> recorder)
    : previousRecorder_(std::exchange(creation_recorder(), std::move(recorder))) {
    static_assert(std::size(g_classes) == kClasses);
    for (int i = 0; i < kClasses; ++i) {
        const HRESULT registered =
            CoRegisterClassObject(*g_classes[i].clsid, &g_classes[i].factory, CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookies_[i]);
        if (FAILED(registered)) {
            cookies_[i] = 0;
            if (status_ == S_OK)
                status_ = registered;
        }
    }
}

HostClassRegistration::~HostClassRegistration() {
    for (DWORD cookie : cookies_)
        if (cookie)
            CoRevokeClassObject(cookie);
    creation_recorder() = std::move(previousRecorder_);
}

} // namespace veska::host
