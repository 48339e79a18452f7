// Points some of a module's imports from one library at replacements for as
// long as this object lives, and back when it ends: how the host and its
// benchmarks watch what a plug-in asks of the system without changing it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

namespace veska::host {

class ImportPatches {
public:
    struct Replacement {
        const char* name; // the imported function's name
        void* function;
    };
    // library: the imported library's file name ("kernel32.dll"), any case.
    ImportPatches(HMODULE module, const char* library, std::initializer_list<Replacement> replacements);
    ~ImportPatches();
    ImportPatches(const ImportPatches&) = delete;
    ImportPatches& operator=(const ImportPatches&) = delete;

    // Whether any import was replaced.
    bool active() const noexcept { return !patched_.empty(); }

private:
    struct Patch {
        void** slot;
        void* original;
    };
    std::vector<Patch> patched_;
};

// A function as the import table holds it; the step through the generic
// function pointer keeps the compiler from judging the signatures.
template <class Fn> void* import_slot(Fn function) {
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(function));
}

} // namespace veska::host
