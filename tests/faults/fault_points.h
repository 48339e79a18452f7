// The places where the fault-injection build of the module can be told no:
// its imports of the task allocator, the registry and the C library's file
// functions (replaced in the loaded module's import table), and its own
// operator new (the build's SuiteFaultInjection entry point). Each kind
// counts its calls from zero after Arm and fails exactly the one asked for.
#pragma once

#include <windows.h>

#include <set>
#include <string>

namespace faults {

enum class Kind {
    TaskAllocation, // CoTaskMemAlloc answers null
    Heap,           // operator new throws std::bad_alloc
    Registry,       // RegOpenKeyEx/RegCreateKeyEx/RegQueryValueEx/RegSetValueEx/RegEnumKeyEx: access denied
    Files,          // fopen/fgets answer null, directory changes and creation fail
    Registration,   // CoCreateInstance, LoadTypeLibEx, RegisterTypeLib, UnRegisterTypeLib fail
};
const char* name_of(Kind kind);

class FaultPoints {
public:
    // Replaces the imports of module; false when one is missing.
    bool Install(HMODULE module);
    // Counts calls of kind from zero, failing call number failAt (-1: none).
    void Arm(Kind kind, long long failAt);
    // Calls of the armed kind since Arm, and stops failing.
    long long Disarm();
    // The call made to fail was a change of the working directory (the
    // module cannot put the directory back when the platform refuses).
    bool failed_directory_change() const noexcept { return failedDirectoryChange_; }

private:
    HMODULE module_ = nullptr;
    bool failedDirectoryChange_ = false;
    Kind armed_ = Kind::TaskAllocation;
};

// Watches the process's task-allocator blocks from Start: those still live
// and frees of blocks not live (freed twice).
class BlockWatch {
public:
    BlockWatch();
    ~BlockWatch();
    bool registered() const noexcept { return registered_; }
    void Start();
    size_t live() const;
    size_t double_frees() const;

private:
    bool registered_ = false;
};

} // namespace faults
