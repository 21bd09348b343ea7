// Putting a file in place: every failure leaves the target as it was and no
// temporary behind.
#include "data/Paths.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace varimel;

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Writes the text to the path it is given.
FileFiller Writes(const std::string& text)
{
    return [text](const std::string& path) { return WriteWholeFile(path, text); };
}

class Replace : public ::testing::Test {
protected:
    void TearDown() override { FailReplaceStepForTesting(std::nullopt); }
    testutil::TempDir dir;
};

} // namespace

TEST_F(Replace, WritesNewAndReplacesKeepingPermissions)
{
    const std::string target = dir / "out.txt";
    std::string reason;
    ASSERT_TRUE(ReplaceFile(target, Writes("first"), &reason)) << reason;
    EXPECT_EQ(testutil::ReadFile(target), "first");
    chmod(target.c_str(), 0604);
    ASSERT_TRUE(ReplaceFile(target, Writes("second")));
    EXPECT_EQ(testutil::ReadFile(target), "second");
    EXPECT_EQ(ModeOf(target), 0604u);
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 1u);
}

TEST_F(Replace, EveryFailingStepLeavesTheTargetAlone)
{
    const std::string target = dir / "keep.txt";
    const ReplaceStep steps[] = {ReplaceStep::Create, ReplaceStep::Fill, ReplaceStep::Sync, ReplaceStep::Permissions,
                                 ReplaceStep::Rename};
    for (const ReplaceStep step : steps) {
        testutil::WriteFile(target, "precious");
        chmod(target.c_str(), 0640);
        FailReplaceStepForTesting(step);
        std::string reason;
        EXPECT_FALSE(ReplaceFile(target, Writes("new"), &reason)) << static_cast<int>(step);
        EXPECT_FALSE(reason.empty()) << static_cast<int>(step);
        EXPECT_EQ(testutil::ReadFile(target), "precious") << static_cast<int>(step);
        EXPECT_EQ(ModeOf(target), 0640u) << static_cast<int>(step);
        EXPECT_EQ(testutil::CountEntries(dir.Path()), 1u) << "temporary left after step " << static_cast<int>(step);
    }
}

TEST_F(Replace, RealFailures)
{
    // The filler's own failure, a folder that does not exist, a folder as target.
    testutil::WriteFile(dir / "keep.txt", "precious");
    std::string reason;
    EXPECT_FALSE(ReplaceFile(
        dir / "keep.txt", [](const std::string&) { return false; }, &reason));
    EXPECT_EQ(testutil::ReadFile(dir / "keep.txt"), "precious");
    EXPECT_FALSE(ReplaceFile(dir / "no/such/folder.txt", Writes("x"), &reason));
    EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
    std::filesystem::create_directory(dir / "folder");
    EXPECT_FALSE(ReplaceFile(dir / "folder", Writes("x"), &reason));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_FALSE(ReplaceFile("", Writes("x"), &reason));
    EXPECT_EQ(testutil::CountEntries(dir.Path()), 2u);
}
