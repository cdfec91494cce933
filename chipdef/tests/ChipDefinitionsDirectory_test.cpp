// Loading every definition file of a directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "VESK_Exception.h"
#include "chipdef/ChipDefinitions.h"
#include "tests/support/ChipText.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using vesk::test::TTempFolder;

namespace {

using ChipList = std::vector<std::unique_ptr<TChipDefinition>>;

std::string ChipFile(const std::string& name, int id) {
    return test::TChipText(name, id).Code(8);
}

std::vector<std::string> NamesOf(const ChipList& chips) {
    std::vector<std::string> names;
    for (const auto& chip : chips)
        names.push_back(chip->Name);
    return names;
}

} // namespace

TEST(ChipDefinitionsDirectory, EmptyDirectoryGivesNoChips) {
    TTempFolder dir;
    ChipList chips;
    EXPECT_TRUE(LoadChipDefinitions(dir.Path(), chips));
    EXPECT_TRUE(chips.empty());
}

TEST(ChipDefinitionsDirectory, FilesAreMatchedAndSortedByName) {
    TTempFolder dir;
    dir.Write("ChipDef_b.ini", ChipFile("B", 2));
    dir.Write("ChipDef_a.ini", ChipFile("A", 1));
    dir.Write("ChipDef_C.ini", ChipFile("C", 3));
    dir.Write("ChipDef_.ini", ChipFile("EMPTYSTAR", 4));
    dir.Write("chipdef_lower.INI", ChipFile("LOWER", 5));
    // Not definition files:
    dir.Write("ChipDef_x.ini.bak", "garbage");
    dir.Write("ChipDef_x.txt", "garbage");
    dir.Write("XChipDef_x.ini", "garbage");
    dir.Write("ChipDef.ini", "garbage");
    dir.Write(".ChipDef_hidden.ini", "garbage");
    std::filesystem::create_directory(dir.Path() + "ChipDef_folder.ini");
    std::filesystem::create_symlink(dir.Path() + "nowhere", dir.Path() + "ChipDef_broken.ini");
    std::filesystem::create_symlink(dir.Path() + "ChipDef_a.ini", dir.Path() + "ChipDef_link.ini");
    // A pipe would block a reader for ever; it is not a regular file and is skipped.
    ASSERT_EQ(mkfifo((dir.Path() + "ChipDef_pipe.ini").c_str(), 0600), 0);

    EXPECT_EQ(FindChipDefinitionFiles(dir.Path()),
              (std::vector<std::string>{"ChipDef_.ini", "ChipDef_C.ini", "ChipDef_a.ini", "ChipDef_b.ini",
                                        "ChipDef_link.ini", "chipdef_lower.INI"}));
    ChipList chips;
    ASSERT_TRUE(LoadChipDefinitions(dir.Path(), chips));
    EXPECT_EQ(NamesOf(chips), (std::vector<std::string>{"EMPTYSTAR", "C", "A", "B", "A", "LOWER"}));
}

TEST(ChipDefinitionsDirectory, DirectoryWithoutTrailingSeparator) {
    TTempFolder dir;
    dir.Write("ChipDef_a.ini", ChipFile("A", 1));
    ChipList chips;
    std::string path = dir.Path();
    path.pop_back();
    ASSERT_TRUE(LoadChipDefinitions(path, chips));
    EXPECT_EQ(NamesOf(chips), std::vector<std::string>{"A"});
}

TEST(ChipDefinitionsDirectory, SameIdTwiceBothLoadInOrder) {
    TTempFolder dir;
    dir.Write("ChipDef_1.ini", ChipFile("FIRST", 0xF00));
    dir.Write("ChipDef_2.ini", ChipFile("SECOND", 0xF00));
    ChipList chips;
    ASSERT_TRUE(LoadChipDefinitions(dir.Path(), chips));
    EXPECT_EQ(NamesOf(chips), (std::vector<std::string>{"FIRST", "SECOND"}));
}

TEST(ChipDefinitionsDirectory, FirstFaultyFileEndsTheLoad) {
    TTempFolder dir;
    dir.Write("ChipDef_1.ini", ChipFile("ONE", 1));
    dir.Write("ChipDef_2.ini",
              ChipFile("TWO", 2) + "[Region2]\nName=Data\nBase=0x2100\nStart=0x2100\nDefault=0xFF\n");
    dir.Write("ChipDef_3.ini", ChipFile("THREE", 3));
    ChipList chips;
    chips.push_back(std::make_unique<TChipDefinition>()); // nothing is cleared first
    chips.back()->Name = "EARLIER";
    try {
        LoadChipDefinitions(dir.Path(), chips);
        FAIL();
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Error loading chip definitions\n"
                               "Error reading file: " +
                                   dir.Path() +
                                   "ChipDef_2.ini\n"
                                   "Error reading section: Region2\n"
                                   "Missing or bad region size");
    }
    EXPECT_EQ(NamesOf(chips), (std::vector<std::string>{"EARLIER", "ONE"}));
}

TEST(ChipDefinitionsDirectory, MissingDirectoryIsReported) {
    TTempFolder dir;
    ChipList chips;
    try {
        LoadChipDefinitions(dir.Path() + "none", chips);
        FAIL();
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Error loading chip definitions\nCannot search directory " + dir.Path() +
                                   "none/: No such file or directory");
    }
}

TEST(ChipDefinitionsDirectory, ProgramDirectoryIsTheExecutablesFolder) {
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(std::filesystem::canonical(dir), std::filesystem::canonical("/proc/self/exe").parent_path());
}
