#include "storage/SafeFile.h"

#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "common/WholeFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using vesk::test::AsNobody;
using vesk::test::ReadText;
using vesk::test::TTempFolder;
using vesk::test::WithReadOnlyFolder;
using vesk::test::WriteText;

namespace {

std::vector<std::string> FolderEntries(const TTempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(SafeFile, AnAbsentFileReadsAsNothingAFolderRaises) {
    TTempFolder folder;
    EXPECT_FALSE(ReadWholeFile(folder / "none.ini"));
    EXPECT_THROW(ReadWholeFile(folder.Path()), Exception);
}

TEST(SafeFile, WritesANewFileAndReplacesAnOldOneLeavingNoTemporaryFile) {
    TTempFolder folder;
    WriteFileAtomically(folder / "a.ini", "first");
    EXPECT_EQ(ReadText(folder / "a.ini"), "first");
    ::chmod((folder / "a.ini").c_str(), 0640);
    WriteFileAtomically(folder / "a.ini", std::string("second\0binary", 13));
    EXPECT_EQ(ReadText(folder / "a.ini"), std::string("second\0binary", 13));
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"a.ini"});
    struct stat st {};
    ASSERT_EQ(::stat((folder / "a.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // permissions kept
}

TEST(SafeFile, ASymbolicLinkStaysAndItsTargetIsWritten) {
    TTempFolder folder;
    WriteText(folder / "real.ini", "old");
    std::filesystem::create_symlink(folder / "real.ini", folder / "link.ini");
    WriteFileAtomically(folder / "link.ini", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadText(folder / "real.ini"), "new");
}

TEST(SafeFile, AReadOnlyFolderRaisesAndLeavesTheOldFileWhole) {
    TTempFolder folder;
    WriteText(folder / "a.ini", "old contents");
    ::chmod((folder / "a.ini").c_str(), 0644);
    const bool raised = WithReadOnlyFolder(folder.Path(), [&] {
        try {
            WriteFileAtomically(folder / "a.ini", "new contents");
        } catch (const Exception& e) {
            return e.Message().find(folder / "a.ini") != std::string::npos;
        }
        return false;
    });
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadText(folder / "a.ini"), "old contents");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"a.ini"});
}

TEST(SafeFile, AReadOnlyFileIsNotReplaced) {
    TTempFolder folder;
    const std::string file = folder / "a.ini";
    WriteText(file, "frozen");
    ::chmod(file.c_str(), 0444);
    auto tryWrite = [&] {
        try {
            WriteFileAtomically(file, "new");
        } catch (const Exception&) {
            return true;
        }
        return false;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(tryWrite());
    } else {
        // The super-user may write anything: try as "nobody", who owns the
        // file and may write to the folder, so only the file's mode forbids.
        ::chmod(folder.Path().c_str(), 0777);
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(AsNobody(tryWrite));
    }
    EXPECT_EQ(ReadText(file), "frozen");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"a.ini"});
}

TEST(SafeFile, APipeInTheFilesPlaceIsRefusedWithoutWaiting) {
    TTempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "a.ini").c_str(), 0600), 0);
    EXPECT_THROW(ReadWholeFile(folder / "a.ini"), Exception);
}

TEST(SafeFile, AFullDiskMidWriteRaisesAndLeavesTheOldFileWhole) {
    TTempFolder folder;
    WriteText(folder / "a.ini", "old contents");
    // A file size limit makes write() fail part-way, as a full disk does.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool raised = false;
    try {
        WriteFileAtomically(folder / "a.ini", std::string(100000, 'x'));
    } catch (const Exception&) {
        raised = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadText(folder / "a.ini"), "old contents");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"a.ini"});
}

TEST(SafeFile, AMissingFolderRaises) {
    TTempFolder folder;
    EXPECT_THROW(WriteFileAtomically(folder / "no/such/a.ini", "x"), Exception);
}

TEST(SafeFile, TheProgramFolderIsThisTestsFolder) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + ProgramBaseName()));
}
