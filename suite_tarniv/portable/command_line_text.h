// The text work behind the suite's command-line macros and build paths:
// directory lists, path quoting, base names, the linker's target option and
// macro replacement. Pure text, no Windows: tested natively under the
// sanitizers as well.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace suite::cmdline {

// An expanded command line, and the object and library list, hold at most
// this many characters (a terminator aside).
inline constexpr size_t kMaxCommandLine = 32767;
// A processed directory list and a single path hold at most 260 characters.
inline constexpr size_t kMaxDirectoryList = 260;
inline constexpr size_t kMaxPath = 260;

enum class TrailingSeparator {
    Remove, // $(INCDIR): one "\" taken off each entry that ends with one
    Add,    // $(INCDIR_): "\" added to each non-empty entry that lacks one
};

// Applies the trailing-separator rule to each entry of a ";"-separated list;
// separators and empty entries stay in place. False (out untouched) when the
// result would exceed kMaxDirectoryList characters.
bool apply_trailing_separator_rule(std::string_view list, TrailingSeparator rule, std::string& out);

// Joins a processed list into include options: each entry in double quotes,
// entries separated by ` -I`; leading, repeated and trailing ";" add
// nothing. An empty list (or one of ";" only) gives empty text.
std::string join_directory_list(std::string_view list);

// Quotes one path of the object and library list: empty stays empty, a path
// already in quotes is kept, a path with a quote at one end only or of
// kMaxPath characters or more is taken unquoted, any other gets quotes.
std::string quote_list_path(std::string_view path);

// Appends a quoted path to the object and library list, after one blank
// unless the list is empty. An empty path adds nothing. False (list
// untouched) when the list would exceed kMaxCommandLine characters.
bool append_list_path(std::string& list, std::string_view path);

// Position just past the last directory separator ("\" or "/") of path, or
// npos when it has none.
size_t file_name_start(std::string_view path) noexcept;

// The file name of path without its directory and without its extension
// (the text from the last "." of the file name on). A dot inside a
// directory name is not an extension.
std::string_view base_name(std::string_view path) noexcept;

// The project's base name for $(TARGETBASE): the project file name without
// directory and extension. False when the location holds no directory part.
bool target_base_name(std::string_view projectLocation, std::string& base);

// The text from the last "." of the file name on ("" when there is none).
std::string_view file_suffix(std::string_view path) noexcept;

// Equality without regard to the case of the letters A to Z.
bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept;
bool equals_ignoring_case(std::wstring_view a, std::wstring_view b) noexcept;

// The directory part of path, up to and including its last separator; empty
// when it has none.
std::string directory_part(std::string_view path);

// directory with one "\" appended unless it is empty or already ends in one.
std::string with_trailing_separator(std::string directory);

// True when path is already in the platform's full form, so that asking
// for it would hand back the same text: a drive, a "\" and non-empty
// components without "/", without "." or ".." components, without a trailing
// dot or blank and without a device name (CON, NUL, COM1, ...).
bool is_full_path_form(std::string_view path) noexcept;

enum class TargetValueStatus {
    Found,
    NoOutputOption,  // neither -o nor -O in the text
    UnbalancedQuote, // a double quote at one end of the value only
    EmptyValue       // the option names no file
};

// The linker's target in its option text: the value of the first "-o", or,
// when there is none, of the first "-O", each counted only where it starts
// an argument. Blanks after the option are skipped; the value runs to the
// first blank outside double quotes; one pair of enclosing quotes is removed.
TargetValueStatus find_target_value(std::wstring_view options, std::wstring& value);

enum class MacroStatus {
    Expanded,
    ValueFailed, // the value callback refused
    TooLong      // the result would exceed the length bound
};

// The value of macro names[index]; false aborts the expansion.
using MacroValue = std::function<bool(size_t index, std::wstring& value)>;

// Replaces every occurrence of the given macro names (compared exactly,
// case included) in one left-to-right scan: at each "$" the names are tried
// in order; the inserted text is never scanned again; a "$" that starts no
// macro is copied. valueOf is asked once per name, at its first occurrence.
// On any failure out is left untouched.
MacroStatus expand_macros(std::wstring_view line, const std::wstring_view* names, size_t nameCount,
                          const MacroValue& valueOf, size_t maxLength, std::wstring& out);

} // namespace suite::cmdline
