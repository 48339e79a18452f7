// Make: the up-to-date test, one reason to rebuild at a time.
#include "driver_fixture.h"

namespace driver_test {
namespace {

class MakeTest : public DriverTest {
protected:
    // A project built once, then every file given a known time: sources
    // oldest, headers, objects, the target newest.
    void SetUp() override {
        DriverTest::SetUp();
        add_source(L"boot.as");
        add_source(L"main.c");
        ASSERT_TRUE(suite::test::write_file(file(L"defs.h"), ""));
        project->add_file(FCAT_INC, file(L"defs.h"));
        ASSERT_EQ(process(CMD_BUILD_ALL), S_OK);
        project->set_stable(true);
        for (const wchar_t* name : {L"boot.as", L"main.c"})
            ASSERT_TRUE(set_write_time(file(name), kSomeTime));
        ASSERT_TRUE(set_write_time(file(L"defs.h"), kSomeTime + kSecond));
        for (const wchar_t* name : {L"boot.obj", L"main.obj"})
            ASSERT_TRUE(set_write_time(file(name), kSomeTime + 2 * kSecond));
        ASSERT_TRUE(set_write_time(target(), kSomeTime + 3 * kSecond));
        manager->recorder()->clear();
        builtBefore = runs().size();
    }

    // The sources Make ran a tool on (by tool class), and the link.
    std::vector<GUID> make_runs() {
        EXPECT_EQ(process(CMD_MAKE), S_OK);
        const std::vector<GUID> all = runs();
        return std::vector<GUID>(all.begin() + static_cast<long>(builtBefore), all.end());
    }
    std::wstring up_to_date(const wchar_t* object) const {
        return L"The target \"" + file(object) + L"\" is already up to date.\n";
    }

    size_t builtBefore = 0;
};

TEST_F(MakeTest, EverythingUpToDateStillLinks) {
    EXPECT_EQ(make_runs(), std::vector<GUID>{CLSID_T_TARNIV18ld});
    EXPECT_EQ(suite_messages(),
              (std::vector<std::wstring>{up_to_date(L"boot.obj"), up_to_date(L"main.obj")}));
    EXPECT_EQ(build_line().rfind(L"BUILD SUCCEEDED: ", 0), 0u);
    EXPECT_EQ(calls("IProject.Clean"), 0u);
    EXPECT_EQ(manager->succeeded_targets().back(), target());
}

TEST_F(MakeTest, EqualTimesOfSourceAndObjectAreUpToDate) {
    ASSERT_TRUE(set_write_time(file(L"main.obj"), kSomeTime));
    EXPECT_EQ(make_runs(), std::vector<GUID>{CLSID_T_TARNIV18ld});
}

TEST_F(MakeTest, SourceNewerThanItsObject) {
    ASSERT_TRUE(set_write_time(file(L"main.c"), kSomeTime + 5 * kSecond));
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18cc, CLSID_T_TARNIV18ld}));
    EXPECT_EQ(suite_messages(), std::vector<std::wstring>{up_to_date(L"boot.obj")});
}

TEST_F(MakeTest, HeaderNewerThanTheTargetRebuildsEverySource) {
    ASSERT_TRUE(set_write_time(file(L"defs.h"), kSomeTime + 9 * kSecond));
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18as, CLSID_T_TARNIV18cc, CLSID_T_TARNIV18ld}));
    // A header the target is as new as is fine; a missing header never forces a build.
    ASSERT_TRUE(set_write_time(file(L"defs.h"), kSomeTime + 3 * kSecond));
    project->add_file(FCAT_INC, file(L"missing.h"));
    for (const wchar_t* name : {L"boot.obj", L"main.obj"})
        ASSERT_TRUE(set_write_time(file(name), kSomeTime + 2 * kSecond));
    ASSERT_TRUE(set_write_time(target(), kSomeTime + 3 * kSecond));
    builtBefore = runs().size();
    EXPECT_EQ(make_runs(), std::vector<GUID>{CLSID_T_TARNIV18ld});
}

TEST_F(MakeTest, UnstableProjectRebuildsEverySource) {
    project->set_stable(false);
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18as, CLSID_T_TARNIV18cc, CLSID_T_TARNIV18ld}));
    EXPECT_TRUE(project->stable());
}

TEST_F(MakeTest, UnstableNodeRebuildsThatSource) {
    veska::host::HostProjectNode::from(project->node(FCAT_SRC, 0).get())->set_stable(false);
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18as, CLSID_T_TARNIV18ld}));
    EXPECT_TRUE(veska::host::HostProjectNode::from(project->node(FCAT_SRC, 0).get())->stable());
}

TEST_F(MakeTest, ObjectNotInTheIntermediateFolder) {
    for (size_t i = project->node_count(FCAT_INT); i-- > 0;) {
        if (project->locations(FCAT_INT)[i] == file(L"boot.obj")) {
            ASSERT_EQ(project->RemoveNode(FCAT_INT, static_cast<unsigned long>(i)), S_OK);
        }
    }
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18as, CLSID_T_TARNIV18ld}));
    // The run put it back.
    const std::vector<std::wstring> intermediate = project->locations(FCAT_INT);
    EXPECT_NE(std::find(intermediate.begin(), intermediate.end(), file(L"boot.obj")), intermediate.end());
}

TEST_F(MakeTest, ObjectInTheFolderButMissingOnDisk) {
    ASSERT_TRUE(DeleteFileW(file(L"main.obj").c_str()));
    EXPECT_EQ(make_runs(), (std::vector<GUID>{CLSID_T_TARNIV18cc, CLSID_T_TARNIV18ld}));
}

TEST_F(MakeTest, IntermediateFolderMatchedWithoutRegardToCase) {
    for (size_t i = 0; i < project->node_count(FCAT_INT); ++i) {
        auto* node = veska::host::HostProjectNode::from(project->node(FCAT_INT, i).get());
        std::wstring upper = node->location();
        for (wchar_t& c : upper)
            c = static_cast<wchar_t>(towupper(c));
        node->set_location(upper);
    }
    EXPECT_EQ(make_runs(), std::vector<GUID>{CLSID_T_TARNIV18ld});
}

TEST_F(MakeTest, ConditionsAskedInOrderAndHeadersReadOnce) {
    EXPECT_EQ(make_runs(), std::vector<GUID>{CLSID_T_TARNIV18ld});
    // Two sources: the project's stability per source, the header folder once.
    EXPECT_EQ(calls("IProject.IsStable"), 2u);
    size_t headerFetches = 0;
    for (const std::string& line : manager->recorder()->lines())
        headerFetches += line.find("GetNode(folder=1") != std::string::npos;
    EXPECT_EQ(headerFetches, 1u);
    EXPECT_EQ(calls("IProjectNode.IsStable"), 2u);
    const auto& recorder = *manager->recorder();
    EXPECT_LT(recorder.find("IProject.IsStable"), recorder.find("IProjectNode.IsStable"));
}

} // namespace
} // namespace driver_test
