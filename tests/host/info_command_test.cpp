// `veska-host info` against the built plug-in, and against a suite that
// answers nothing yet.
#include "fake_suite.h"
#include "info_command.h"
#include "test_support.h"

namespace veska::host {
namespace {

using cli::StringOutput;

size_t position_of(const std::string& text, const std::string& part) {
    const size_t at = text.find(part);
    EXPECT_NE(std::string::npos, at) << "missing: " << part;
    return at;
}

TEST(InfoCommand, ReportsTheRegisteredModuleAndWhatItsSuiteAdds) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    ASSERT_EQ(S_OK, dll.register_server());
    StringOutput output;
    const int exitCode = cli::run_info(output);
    dll.unregister_server();

    ASSERT_EQ(cli::kExitOk, exitCode) << output.err_text();
    const std::string& text = output.out_text();
    position_of(text, "Module: " + utf8(dll.path()));
    position_of(text, "S_TARNIV18     {02793D61-B4CC-4279-87F0-DD5B6152E699}  served");
    if (text.find("Suite: not available") != std::string::npos)
        return; // the module serves the class but cannot make a suite yet
    // The menus come out in the suite's order in front of the host's item.
    const size_t mainMenu = position_of(text, "Main menu (before host item 32801):");
    const size_t make = text.find("  60003  ", mainMenu);
    const size_t buildAll = text.find("  60000  ", mainMenu);
    const size_t hostItem = text.find("  32801  (host item)", mainMenu);
    EXPECT_LT(make, buildAll);
    EXPECT_LT(buildAll, hostItem);
    EXPECT_EQ(std::string::npos, text.find("left after Remove"));
}

TEST(InfoCommand, FailsWhenTheModuleServesNoClass) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    dll.unregister_server();
    StringOutput output;
    EXPECT_EQ(cli::kExitFailure, cli::run_info(output));
    position_of(output.out_text(),
                "S_TARNIV18     {02793D61-B4CC-4279-87F0-DD5B6152E699}  not served: 0x80040154");
    position_of(output.err_text(), "serves no class");
}

TEST(InfoCommand, ASuiteThatAnswersNothingIsDescribedWithoutFailing) {
    cli::SuiteSession session;
    ASSERT_EQ(S_OK, session.status());
    auto fake = suite::com::make<testing::FakeSuite>();
    ASSERT_EQ(S_OK, session.attach_suite(suite::ComPtr<ISuite>(fake.get())));
    StringOutput output;
    cli::describe_suite(session, output);
    const std::string& text = output.out_text();
    position_of(text, "  name: (not answered: 0x80004001)");
    position_of(text, "Tools: (not answered: 0x80004001)");
    position_of(text, "Visible folders: (not answered: 0x80004001)");
    position_of(text, "  .as   (not answered: 0x80004001)");
    position_of(text, "File dialog strings: (not answered: 0x80004001)");
    position_of(text, "File menu: (not answered: 0x80004001)");
    position_of(text, "controls (not answered: 0x80004002)"); // no IExtendToolbar
}

TEST(InfoCommand, TheSessionUnloadsTheSuiteItConnected) {
    auto fake = suite::com::make<testing::FakeSuite>();
    {
        cli::SuiteSession session;
        ASSERT_EQ(S_OK, session.attach_suite(suite::ComPtr<ISuite>(fake.get())));
        EXPECT_TRUE(fake->manager);
    }
    EXPECT_EQ(1, fake->unloads);
    EXPECT_FALSE(fake->manager);
}

} // namespace
} // namespace veska::host
