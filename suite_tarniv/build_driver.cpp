// The suite's build commands.
#include "cs_tarniv.h"

HRESULT CS_TARNIV::Process(unsigned long, _NodeTag*, unsigned long, IProject*, IProjectManager*) {
    return E_NOTIMPL; // replaced by the build driver
}

HRESULT CS_TARNIV::Build(_NodeTag*, unsigned long, IProject*, IProjectManager*) {
    return E_NOTIMPL; // replaced by the build driver
}

HRESULT CS_TARNIV::Make(_NodeTag*, unsigned long, IProject*, IProjectManager*) {
    return E_NOTIMPL; // replaced by the build driver
}
