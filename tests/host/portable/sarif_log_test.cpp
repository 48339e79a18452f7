// The SARIF log of a build's placed tool messages.
#include "sarif_log.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace veska::host::portable {
namespace {

using Json = nlohmann::json;

TEST(MessageParts, TheCodeWordGivesTheLevel) {
    struct Case {
        const char* message;
        const char* code;
        const char* level;
        const char* text;
    };
    const Case cases[] = {
        {"Error[100] #error directive: boom", "Error[100]", "error", "#error directive: boom"},
        {"  Warning[200]   watch out \n", "Warning[200]", "warning", "watch out"},
        {"fatal[1] stop", "fatal[1]", "error", "stop"},
        {"Message[7] [x] noted", "Message[7]", "note", "[x] noted"},
        {"Error[100]", "Error[100]", "error", ""},
        {"no code here", "", "note", "no code here"},
        {"a word [3] later", "", "note", "a word [3] later"},
        {"Error[100 unclosed", "", "note", "Error[100 unclosed"},
    };
    for (const Case& c : cases) {
        const MessageParts parts = message_parts(c.message);
        EXPECT_EQ(c.code, parts.code) << c.message;
        EXPECT_EQ(c.level, parts.level) << c.message;
        EXPECT_EQ(c.text, parts.text) << c.message;
    }
}

TEST(FileUri, EncodesWhatAUriCannotHold) {
    struct Case {
        const char* path;
        const char* uri;
    };
    const Case cases[] = {
        {R"(C:\w\a.c)", "file:///C:/w/a.c"},
        {R"(Z:\tmp\My Work\a#1%.c)", "file:///Z:/tmp/My%20Work/a%231%25.c"},
        {"C:\\caf\xC3\xA9\\x.c", "file:///C:/caf%C3%A9/x.c"},
        {R"(\\server\share\a.c)", "file://server/share/a.c"},
        {R"(C:\)", "file:///C:/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.uri, file_uri(c.path)) << c.path;
}

TEST(SarifLog, OneRulePerCodeOneResultPerMessageFilesRelativeToTheProject) {
    SarifRun run{"TARNIV VELC-18 Toolsuite",
                 "1.22.3.0",
                 R"(C:\My Work\blinky\)",
                 false,
                 {{"Error[100] #error directive: boom", R"(C:\My Work\blinky\src\main.c)", 4},
                  {"Warning[200] #warning directive: later", R"(c:\my work\BLINKY\src\led.c)", 9},
                  {"Error[100] again", R"(C:\elsewhere\lib.c)", 0}}};
    const Json log = Json::parse(sarif_log(run));
    EXPECT_EQ("2.1.0", log["version"]);
    ASSERT_EQ(1u, log["runs"].size());
    const Json& only = log["runs"][0];
    EXPECT_EQ((Json{{"name", "TARNIV VELC-18 Toolsuite"},
                    {"version", "1.22.3.0"},
                    {"rules",
                     {{{"id", "Error[100]"},
                       {"shortDescription", {{"text", "Error[100] messages of the tool."}}},
                       {"defaultConfiguration", {{"level", "error"}}}},
                      {{"id", "Warning[200]"},
                       {"shortDescription", {{"text", "Warning[200] messages of the tool."}}},
                       {"defaultConfiguration", {{"level", "warning"}}}}}}}),
              only["tool"]["driver"]);
    EXPECT_EQ("file:///C:/My%20Work/blinky/", only["originalUriBaseIds"]["PROJECTROOT"]["uri"]);
    EXPECT_FALSE(only["invocations"][0]["executionSuccessful"]);

    struct Expected {
        const char* ruleId;
        size_t ruleIndex;
        const char* level;
        const char* text;
        Json artifact;
        Json region;
    };
    const Expected results[] = {
        {"Error[100]",
         0,
         "error",
         "#error directive: boom",
         {{"uri", "src/main.c"}, {"uriBaseId", "PROJECTROOT"}},
         {{"startLine", 4}}},
        {"Warning[200]",
         1,
         "warning",
         "#warning directive: later",
         {{"uri", "src/led.c"}, {"uriBaseId", "PROJECTROOT"}},
         {{"startLine", 9}}},
        // Outside the project by its own URI; line 0 is no line.
        {"Error[100]", 0, "error", "again", {{"uri", "file:///C:/elsewhere/lib.c"}}, nullptr},
    };
    ASSERT_EQ(std::size(results), only["results"].size());
    for (size_t i = 0; i < std::size(results); ++i) {
        const Json& result = only["results"][i];
        const Expected& e = results[i];
        EXPECT_EQ(e.ruleId, result["ruleId"]) << i;
        EXPECT_EQ(e.ruleIndex, result["ruleIndex"]) << i;
        EXPECT_EQ(e.level, result["level"]) << i;
        EXPECT_EQ(e.text, result["message"]["text"]) << i;
        const Json& physical = result["locations"][0]["physicalLocation"];
        EXPECT_EQ(e.artifact, physical["artifactLocation"]) << i;
        EXPECT_EQ(e.region, physical.value("region", Json())) << i;
    }
}

TEST(SarifLog, ABuildWithoutMessagesIsARunWithNoResults) {
    const Json log = Json::parse(sarif_log(SarifRun{"tool", "", R"(C:\w)", true, {}}));
    const Json& only = log["runs"][0];
    EXPECT_TRUE(only["results"].is_array());
    EXPECT_TRUE(only["results"].empty());
    EXPECT_TRUE(only["tool"]["driver"]["rules"].empty());
    EXPECT_FALSE(only["tool"]["driver"].contains("version"));
    EXPECT_EQ("file:///C:/w/", only["originalUriBaseIds"]["PROJECTROOT"]["uri"]);
    EXPECT_TRUE(only["invocations"][0]["executionSuccessful"]);
}

} // namespace
} // namespace veska::host::portable
