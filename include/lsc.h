// The host's registry tree of legacy language suites: component creation that
// falls back to a host wrapper class when a class is not registered, and the
// class identity an object is known by (a wrapper answers for the class it
// stands for).
//
// Every failure is raised as XLogged, logged, and returned as its HRESULT.
#pragma once

#include "contract.h"
#include "unique_handles.h"

namespace suite {

// Class context of every object the suite creates: in-process server,
// in-process handler and local server.
inline constexpr DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

} // namespace suite

// Creates clsid asking for iid; when the class is not registered, creates the
// wrapper class the legacy tree names for it and tells the wrapper which class
// it stands for. REGDB_E_CLASSNOTREG when neither exists. *out is null on
// failure.
HRESULT CreateWithLegacyFallback(REFCLSID clsid, DWORD classContext, REFIID iid, void** out);

// The wrapper class for clsid: S_OK found, S_FALSE not found, negative on error.
HRESULT FindLegacyWrapper(CLSID* wrapper, REFCLSID clsid);

// Pre-order search of HKEY_LOCAL_MACHINE\keyPath for a subkey named clsid, at
// depth 0 to 3 below the root: S_OK found (wrapper set to the class of that
// depth), S_FALSE not found, negative on error.
HRESULT SearchLegacyKey(CLSID* wrapper, REFCLSID clsid, const char* keyPath, int depth);

// The class an object is known by: a wrapper's alias, else IPersist's class.
HRESULT GetEffectiveClassID(CLSID* out, IUnknown* object);

namespace suite {

namespace lsc {

// Under HKEY_LOCAL_MACHINE; read only.
inline constexpr char kLegacySuitesKey[] = "SOFTWARE\\Corvane\\VESKA IDE\\Legacy Language Suites";
// Levels searched below the root: depth 0 (its direct subkeys) to 3.
inline constexpr int kSearchDepths = 4;

} // namespace lsc

} // namespace suite
