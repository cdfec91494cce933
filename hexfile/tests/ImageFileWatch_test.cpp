// The watch on an image file: a change counts once it has settled and the file is a
// whole image, once per change. The test owns the time; the files are real.
#include <gtest/gtest.h>

#include <filesystem>

#include "hexfile/ImageFileWatch.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using namespace std::chrono_literals;
using TResult = TImageFileWatch::TResult;

namespace {

const std::string Whole = ":0400000001308A0041\n:00000001FF\n";
const std::string Whole2 = ":0400000002308A0040\n:00000001FF\n";
const std::string NoEnd = ":0400000001308A0041\n";
const std::string CutLine = ":0400000001308A0041\n:000000";

class ImageFileWatchTest : public ::testing::Test {
  protected:
    // Writes the file with a modification time of its own, so that two writes within
    // the file system's clock tick still differ.
    void Write(const std::string& text) {
        test::WriteText(Path, text);
        std::filesystem::last_write_time(Path, Stamp += 1s);
    }
    TResult At(std::chrono::milliseconds t) { return Watch.Check(Start + t); }

    test::TTempFolder Dir;
    const std::string Path = Dir / "blink.hex";
    std::filesystem::file_time_type Stamp = std::filesystem::file_time_type::clock::now();
    TImageFileWatch Watch;
    const TImageFileWatch::TClock::time_point Start{};
};

TEST_F(ImageFileWatchTest, TheFileAsFoundIsNotAChange) {
    Write(Whole);
    Watch.Watch(Path);
    EXPECT_EQ(At(0ms), TResult::Unchanged);
    EXPECT_EQ(At(10s), TResult::Unchanged);
    // Nothing watched: nothing ever changes.
    Watch.Watch("");
    EXPECT_EQ(At(20s), TResult::Unchanged);
}

TEST_F(ImageFileWatchTest, AChangeCountsOnceAfterHalfASecondUnchanged) {
    Write(Whole);
    Watch.Watch(Path);
    Write(Whole2);
    EXPECT_EQ(At(1000ms), TResult::Unchanged); // seen
    EXPECT_EQ(At(1499ms), TResult::Unchanged);
    EXPECT_EQ(At(1500ms), TResult::Ready);
    EXPECT_TRUE(Watch.Message().empty());
    EXPECT_EQ(At(1600ms), TResult::Unchanged);
    EXPECT_EQ(At(9000ms), TResult::Unchanged);
    // The same size again, written later: a change all the same.
    Write(Whole);
    EXPECT_EQ(At(10000ms), TResult::Unchanged);
    EXPECT_EQ(At(10500ms), TResult::Ready);
}

TEST_F(ImageFileWatchTest, WritingAgainStartsTheSettlingOver) {
    Write(Whole);
    Watch.Watch(Path);
    Write(NoEnd);
    EXPECT_EQ(At(0ms), TResult::Unchanged);
    Write(Whole2);
    EXPECT_EQ(At(400ms), TResult::Unchanged); // written again: settling from here
    EXPECT_EQ(At(800ms), TResult::Unchanged);
    EXPECT_EQ(At(900ms), TResult::Ready);
}

// A file caught half written, or gone (a build tool that deletes it before writing it
// anew), is not taken, and not looked at again until it changes.
struct TSpoilt {
    const char* Id;
    const std::string* Text; // what is left of the file; none: the file is gone
    const char* Error;       // the reader's complaint, after the file's name
};

const TSpoilt SpoiltFiles[] = {
    {"NoEndRecord", &NoEnd, "No end-of-file record"},
    {"LineCutShort", &CutLine, "Error on line 2"},
    {"FileGone", nullptr, "Error on line 0"},
};

void PrintTo(const TSpoilt& row, std::ostream* os) {
    *os << row.Id;
}

class ImageFileWatchSpoiltTest : public ImageFileWatchTest, public ::testing::WithParamInterface<TSpoilt> {};

TEST_P(ImageFileWatchSpoiltTest, IsNotTakenUntilWholeAgain) {
    const TSpoilt& row = GetParam();
    Write(Whole);
    Watch.Watch(Path);
    if (row.Text)
        Write(*row.Text);
    else
        std::filesystem::remove(Path);
    EXPECT_EQ(At(0ms), TResult::Unchanged);
    EXPECT_EQ(At(500ms), TResult::Incomplete);
    EXPECT_NE(Watch.Message().find("File read error: " + Path), std::string::npos) << Watch.Message();
    EXPECT_NE(Watch.Message().find(row.Error), std::string::npos) << Watch.Message();
    EXPECT_EQ(At(5s), TResult::Unchanged);
    Write(Whole2);
    EXPECT_EQ(At(6s), TResult::Unchanged);
    EXPECT_EQ(At(7s), TResult::Ready);
}

INSTANTIATE_TEST_SUITE_P(Files, ImageFileWatchSpoiltTest, ::testing::ValuesIn(SpoiltFiles),
                         [](const auto& info) { return std::string(info.param.Id); });

} // namespace
