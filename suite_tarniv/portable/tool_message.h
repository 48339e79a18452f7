// Reads one line of the VELC-18 driver's output for the source file and line
// it refers to. The driver writes its messages as
//
//   Error[000] C:\My Work\main.c 57 : undefined symbol
//
// a "[" and a later "]", white space, the file name (which may hold blanks),
// white space, the line number, one white-space character and ":".
#pragma once

#include <cstddef>
#include <cstdint>

namespace suite::tool_message {

// Results, numerically the HRESULTs the tool interface returns.
inline constexpr std::int32_t kFound = 0;                                            // S_OK
inline constexpr std::int32_t kNotFound = 1;                                         // S_FALSE
inline constexpr std::int32_t kNoMessage = static_cast<std::int32_t>(0x80004003u);   // E_POINTER
inline constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000Eu); // E_OUTOFMEMORY

// Line numbers beyond this (the range of the interface's 32-bit line) are
// reported as this value.
inline constexpr unsigned long kLineMax = 0xFFFFFFFFul;

// Returns room for the given number of characters (terminator included), or
// null when memory runs out. What it returns goes to the caller of
// ParseToolMessage, who frees it the matching way.
using Allocate = wchar_t* (*)(std::size_t characters);

// Outputs passed as null are not written. The column, when asked for, is
// always 0. The file is handed out once the message's form has given its
// extent, even when the line word then turns out not to start with a digit
// (result kNotFound). When the copy of the file name cannot be allocated the
// result is kOutOfMemory, *file is null and the line is not written.
std::int32_t ParseToolMessage(wchar_t** file, unsigned long* line, unsigned long* column,
                              const wchar_t* message, Allocate allocate);

} // namespace suite::tool_message
