// Loading image files: every line parsed, errors chained with file, line and column.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "VESK_Exception.h"
#include "hexfile/IntelHexFile.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using vesk::test::ReadText;
using vesk::test::TTempFolder;

namespace {

const std::string DataDir = VESK_HEXFILE_TEST_DATA;

// "AAAAAA VVVV" per word, as in the .words files.
std::string WordsOf(const TIntelHexFile& file) {
    std::string out;
    for (TIntelHexFileIterator it(file); it.IsValid(); it.Next()) {
        char line[32];
        std::snprintf(line, sizeof line, "%06llX %04X\n", static_cast<unsigned long long>(it.WordAddress()),
                      static_cast<unsigned>(it.Value()));
        out += line;
    }
    return out;
}

std::string LoadMessage(TIntelHexFile& file, const std::string& path) {
    try {
        file.Load(path);
    } catch (const VESK_Exception& e) {
        // Whatever fails below the reader, the caller learns the image is bad.
        EXPECT_EQ(e.Kind(), TFailureKind::BadImage) << e.Message();
        return e.Message();
    }
    return "(no error)";
}

std::vector<std::filesystem::path> FilesIn(const std::string& dir, const std::string& ext) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ext) files.push_back(entry.path());
    return files;
}

} // namespace

// Each data/good/<case>.hex yields exactly the words of <case>.words.
TEST(IntelHexFile, GoodFilesYieldTheirWords) {
    const auto files = FilesIn(DataDir + "/good", ".hex");
    EXPECT_GE(files.size(), 12u);
    for (auto path : files) {
        TIntelHexFile file;
        ASSERT_TRUE(file.Load(path.string())) << path;
        EXPECT_EQ(file.LineIndex, static_cast<int32_t>(file.Lines.size()));
        EXPECT_EQ(file.Records.size(), file.Lines.size());
        EXPECT_EQ(WordsOf(file), ReadText(path.replace_extension(".words").string())) << path;
    }
}

// Each data/bad/<case>.hex fails with the message of <case>.message.
TEST(IntelHexFile, BadFilesGiveTheirMessages) {
    const auto files = FilesIn(DataDir + "/bad", ".hex");
    EXPECT_GE(files.size(), 12u);
    for (auto path : files) {
        TIntelHexFile file;
        std::string expected = ReadText(std::filesystem::path(path).replace_extension(".message").string());
        expected.replace(expected.find("%PATH%"), 6, path.string());
        EXPECT_EQ(LoadMessage(file, path.string()), expected) << path;
    }
}

TEST(IntelHexFile, FailedLoadKeepsLinesAndEarlierRecords) {
    TIntelHexFile file;
    LoadMessage(file, DataDir + "/bad/blank_line.hex");
    ASSERT_EQ(file.Lines.size(), 3u);
    ASSERT_EQ(file.Records.size(), 3u);
    EXPECT_EQ(file.LineIndex, 1);
    EXPECT_EQ(file.Records[0].Data.size(), 2u);
    EXPECT_TRUE(file.Records[2].Line.empty()); // never parsed
}

TEST(IntelHexFile, LineEndings) {
    TIntelHexFile file;
    ASSERT_TRUE(file.LoadFromText(":020000000100FD\r\n:020002000200FA\r\n", "crlf"));
    EXPECT_EQ(file.Lines.size(), 2u);
    ASSERT_TRUE(file.LoadFromText(":020000000100FD\r:020002000200FA", "cr, no final break"));
    EXPECT_EQ(WordsOf(file), "000000 0001\n000001 0002\n");
    // An empty line between records counts as a line and fails.
    try {
        file.LoadFromText(":020000000100FD\r\n\r\n:020002000200FA\r\n", "crlf.hex");
        FAIL();
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "File read error: crlf.hex\nError on line 2\n"
                               "Record read error on column 2\nRecord marker ':' missing");
    }
}

TEST(IntelHexFile, EmptyNameReloadsTheFileNamedBefore) {
    TTempFolder dir;
    const std::string path = dir.Write("a.hex", ":020000000100FD\n");
    TIntelHexFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.FileName, path);
    dir.Write("a.hex", ":020000000200FC\n");
    ASSERT_TRUE(file.Load(""));
    EXPECT_EQ(file.FileName, path);
    EXPECT_EQ(WordsOf(file), "000000 0002\n");
    // A failure on reload names the file actually read.
    dir.Write("a.hex", "junk\n");
    EXPECT_EQ(LoadMessage(file, ""), "File read error: " + path +
                                         "\nError on line 1\nRecord read error on column 2\n"
                                         "Record marker ':' missing");
}

TEST(IntelHexFile, ExtendedAddressDoesNotCarryOver) {
    TIntelHexFile first;
    ASSERT_TRUE(first.Load(DataDir + "/good/extended_address.hex"));
    EXPECT_EQ(first.Records.back().NextExtendedAddress(), 1);
    TIntelHexFile second;
    ASSERT_TRUE(second.Load(DataDir + "/good/worked_example.hex"));
    EXPECT_EQ(WordsOf(second), "000000 3FFF\n");
}

TEST(IntelHexFile, LoadReplacesEverything) {
    TIntelHexFile file;
    ASSERT_TRUE(file.Load(DataDir + "/good/other_record_types.hex"));
    ASSERT_TRUE(file.Load(DataDir + "/good/empty.hex"));
    EXPECT_TRUE(file.Lines.empty());
    EXPECT_TRUE(file.Records.empty());
    EXPECT_EQ(file.LineIndex, 0);
    EXPECT_FALSE(TIntelHexFileIterator(file).IsValid());
}

TEST(IntelHexFile, FilesThatCannotBeRead) {
    TTempFolder dir;
    TIntelHexFile file;
    EXPECT_EQ(LoadMessage(file, dir.Path() + "none.hex"), "File read error: " + dir.Path() +
                                                              "none.hex\nError on line 0\n"
                                                              "Cannot open file: No such file or directory");
    EXPECT_EQ(LoadMessage(file, dir.Path()),
              "File read error: " + dir.Path() + "\nError on line 0\nNot a regular file");
    EXPECT_EQ(LoadMessage(file, "/dev/zero"),
              "File read error: /dev/zero\nError on line 0\nNot a regular file");
    EXPECT_TRUE(file.Lines.empty());
    EXPECT_TRUE(file.Records.empty());
}

TEST(IntelHexFile, TooManyLinesAreRefusedBeforeTheyFillMemory) {
    TIntelHexFile file;
    try {
        file.LoadFromText(std::string((2 << 20) + 1, '\n'), "lines.hex");
        FAIL();
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(),
                  "File read error: lines.hex\nError on line 2097153\nFile has more than 2097152 lines");
    }
    EXPECT_TRUE(file.Lines.empty());
    EXPECT_TRUE(file.Records.empty());
}

TEST(IntelHexFile, TooLargeFile) {
    TTempFolder dir;
    const std::string path = dir.Write("big.hex", std::string((64 << 20) + 1, '\n'));
    TIntelHexFile file;
    EXPECT_EQ(LoadMessage(file, path),
              "File read error: " + path + "\nError on line 0\nFile is larger than 67108864 bytes");
}

TEST(IntelHexFile, BinaryFile) {
    TTempFolder dir;
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 37) & 0xFF);
    TIntelHexFile file;
    const std::string message = LoadMessage(file, dir.Write("binary.hex", bytes));
    EXPECT_EQ(message.rfind("File read error: " + dir.Path() + "binary.hex\nError on line 1\n", 0), 0u)
        << message;
}
