// A build's tool messages as a SARIF 2.1.0 log, the form code-scanning views
// read: one run of the tool, one rule per message code ("Error[100]"), one
// result per message the tool placed at a file and line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veska::host::portable {

// A message's code and what it says: "Error[100] #error directive: boom" is
// the code "Error[100]", the level "error" and the text "#error directive:
// boom". The level comes from the code's word: Error and Fatal are "error",
// Warning "warning", any other word "note". A message without "[...]" has
// no code.
struct MessageParts {
    std::string code;
    std::string level;
    std::string text;
};
MessageParts message_parts(std::string_view message);

// A Windows path as a file URI: "C:\My Work\a.c" is "file:///C:/My%20Work/a.c",
// "\\server\share\a.c" is "file://server/share/a.c".
std::string file_uri(std::string_view path);

struct PlacedMessage {
    std::string message; // the tool's message without its location words
    std::string file;    // where the tool placed it: an absolute Windows path
    unsigned long line = 0;
};

struct SarifRun {
    std::string toolName;
    std::string toolVersion;   // left out when empty
    std::string projectFolder; // an absolute Windows path: file URIs are relative to it
    bool succeeded = true;
    std::vector<PlacedMessage> messages;
};

// The log as JSON text. Files in the project folder are named relative to
// it through the base id PROJECTROOT; others by their own file URI.
std::string sarif_log(const SarifRun& run);

} // namespace veska::host::portable
