#include "sarif_log.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <map>

namespace veska::host::portable {

namespace {

using Json = nlohmann::ordered_json;

constexpr char kProjectRoot[] = "PROJECTROOT";

std::string_view trimmed(std::string_view text) noexcept {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y) && !((x == '\\' || x == '/') && (y == '\\' || y == '/')))
            return false;
    }
    return true;
}

// Path text as URI text: "\" as "/", and every byte but the unreserved ones,
// "/" and the drive's ":" percent-encoded.
std::string uri_path(std::string_view path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c == '\\' || c == '/')
            uri.push_back('/');
        else if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || (c == ':' && i == 1))
            uri.push_back(static_cast<char>(c));
        else {
            uri.push_back('%');
            uri.push_back(hex[c >> 4]);
            uri.push_back(hex[c & 15]);
        }
    }
    return uri;
}

// The path below folder, or nothing when it lies elsewhere.
std::optional<std::string_view> inside(std::string_view path, std::string_view folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.remove_suffix(1);
    if (folder.empty() || path.size() <= folder.size() + 1 ||
        !equal_ignoring_case(path.substr(0, folder.size()), folder) ||
        (path[folder.size()] != '\\' && path[folder.size()] != '/'))
        return std::nullopt;
    return path.substr(folder.size() + 1);
}

Json artifact_location(std::string_view file, std::string_view projectFolder) {
    Json location;
    if (const auto below = inside(file, projectFolder)) {
        location["uri"] = uri_path(*below);
        location["uriBaseId"] = kProjectRoot;
    } else {
        location["uri"] = file_uri(file);
    }
    return location;
}

} // namespace

MessageParts message_parts(std::string_view message) {
    MessageParts parts;
    message = trimmed(message);
    const size_t open = message.find('[');
    const size_t close = open == std::string_view::npos ? open : message.find(']', open);
    std::string_view word;
    if (close != std::string_view::npos &&
        message.substr(0, open).find_first_of(" \t") == std::string_view::npos) {
        parts.code = std::string(message.substr(0, close + 1));
        word = message.substr(0, open);
        message = trimmed(message.substr(close + 1));
    }
    if (equal_ignoring_case(word, "Error") || equal_ignoring_case(word, "Fatal"))
        parts.level = "error";
    else if (equal_ignoring_case(word, "Warning"))
        parts.level = "warning";
    else
        parts.level = "note";
    parts.text = std::string(message);
    return parts;
}

std::string file_uri(std::string_view path) {
    if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
        return "file:" + uri_path(path); // a share: the server is the URI's host
    return "file:///" + uri_path(path);
}

std::string sarif_log(const SarifRun& run) {
    Json rules = Json::array();
    std::map<std::string, size_t> ruleIndex;
    Json results = Json::array();
    for (const PlacedMessage& placed : run.messages) {
        const MessageParts parts = message_parts(placed.message);
        Json result;
        if (!parts.code.empty()) {
            auto [rule, added] = ruleIndex.emplace(parts.code, rules.size());
            if (added)
                rules.push_back(Json{{"id", parts.code},
                                     {"shortDescription", {{"text", parts.code + " messages of the tool."}}},
                                     {"defaultConfiguration", {{"level", parts.level}}}});
            result["ruleId"] = parts.code;
            result["ruleIndex"] = rule->second;
        }
        result["level"] = parts.level;
        result["message"] = {{"text", parts.text.empty() ? parts.code : parts.text}};
        Json physical{{"artifactLocation", artifact_location(placed.file, run.projectFolder)}};
        if (placed.line > 0)
            physical["region"] = {{"startLine", placed.line}};
        result["locations"] = Json::array({Json{{"physicalLocation", physical}}});
        results.push_back(std::move(result));
    }

    Json driver{{"name", run.toolName}};
    if (!run.toolVersion.empty())
        driver["version"] = run.toolVersion;
    driver["rules"] = std::move(rules);
    std::string folderUri = file_uri(run.projectFolder);
    if (folderUri.back() != '/')
        folderUri.push_back('/');
    Json log{
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs", Json::array({Json{{"tool", {{"driver", std::move(driver)}}},
                                   {"invocations", Json::array({{{"executionSuccessful", run.succeeded}}})},
                                   {"originalUriBaseIds", {{kProjectRoot, {{"uri", folderUri}}}}},
                                   {"results", std::move(results)}}})}};
    return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace veska::host::portable
