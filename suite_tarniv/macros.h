// The suite's command-line macros. Each expansion takes a task-allocated
// wide line, and on success frees it and stores a new one of exactly the
// needed length; on failure the line is left as it was.
//
//   $(OBJSANDLIBS)  the project's objects and libraries, quoted, in folder order
//   $(TARGETBASE)   the project file's name without directory and extension
//   $(AINDIR) $(AINDIR_) $(INCDIR) $(INCDIR_)
//                   the assembler's or compiler's include directories as
//                   quoted -I options, without or with a trailing "\"
#pragma once

#include "build_paths.h"
#include "contract.h"

namespace suite {

// A line that would exceed 32767 characters after expansion.
inline constexpr HRESULT E_COMMAND_LINE_TOO_LONG = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

// $(OBJSANDLIBS): the .obj files of the intermediate folder, then every node
// of the object and library folders, each resolved against the project
// directory. E_FAIL when a node cannot be fetched.
HRESULT ExpandObjsAndLibs(LPWSTR* line, IProject* project, FileFacts* facts = nullptr);

// $(TARGETBASE). E_FAIL when the project location has no directory part.
HRESULT ExpandTargetBase(LPWSTR* line, IProject* project);

// $(AINDIR), $(AINDIR_), $(INCDIR), $(INCDIR_). The failure of GetPath, or
// E_OUTOFMEMORY.
HRESULT ExpandDirMacros(LPWSTR* line, IProject* project);

} // namespace suite
