// Whole-file reading and the atomic replace on Windows, and the program's folder.
#include "storage/SafeFile.h"

#include "chipdef/ChipDefinitions.h"
#include "common/ProgramFolder.h"
#include "common/VESK_Exception.h"
#include "common/WholeFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace vesk {
namespace {

namespace fs = std::filesystem;

class TFolder {
  public:
    TFolder() {
        FPath = fs::temp_directory_path() /
                ("vesk-win-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(Count++));
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TFolder() {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(FPath, ec))
            ::SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(FPath, ec);
    }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }
    std::string Path() const { return FPath.string(); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FPath))
            names.push_back(entry.path().filename().string());
        return names;
    }

  private:
    static inline int Count = 0;
    fs::path FPath;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SafeFileWin, AnAbsentFileReadsAsNothingAFolderRaises) {
    TFolder folder;
    EXPECT_FALSE(ReadWholeFile(folder / "none.ini"));
    EXPECT_FALSE(ReadWholeFile(folder / "no\\such\\none.ini"));
    EXPECT_THROW(ReadWholeFile(folder.Path()), Exception);
}

TEST(SafeFileWin, WritesANewFileAndReplacesAnOldOneLeavingNoTemporaryFile) {
    TFolder folder;
    WriteFileAtomically(folder / "a.ini", "first");
    EXPECT_EQ(ReadText(folder / "a.ini"), "first");
    WriteFileAtomically(folder / "a.ini", std::string("second\0binary", 13));
    EXPECT_EQ(*ReadWholeFile(folder / "a.ini"), std::string("second\0binary", 13));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.ini"});
}

TEST(SafeFileWin, AReadOnlyFileIsNotReplaced) {
    TFolder folder;
    WriteFileAtomically(folder / "a.ini", "frozen");
    ASSERT_TRUE(::SetFileAttributesA((folder / "a.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        WriteFileAtomically(folder / "a.ini", "new");
        FAIL() << "a read-only file was replaced";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("Cannot write file \"" + (folder / "a.ini") + "\". "), std::string::npos)
            << e.Message();
    }
    EXPECT_EQ(ReadText(folder / "a.ini"), "frozen");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.ini"});
}

TEST(SafeFileWin, AMissingFolderRaises) {
    TFolder folder;
    EXPECT_THROW(WriteFileAtomically(folder / "no\\such\\a.ini", "x"), Exception);
}

TEST(SafeFileWin, TheProgramFolderHoldsThisTest) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(fs::exists(folder + ProgramBaseName() + ".exe"));
    EXPECT_EQ(ProgramDirectory(), folder);
}

TEST(SafeFileWin, ChipDefinitionsAreFoundBesideTheProgram) {
    // The build copies the shipped chip files beside every program.
    std::vector<std::unique_ptr<TChipDefinition>> chips;
    ASSERT_TRUE(LoadChipDefinitions(ProgramDirectory(), chips));
    EXPECT_GE(chips.size(), 1u);
}

} // namespace
} // namespace vesk
