#include "hexfile/ImageFileWatch.h"

#include "VESK_Exception.h"
#include "hexfile/IntelHexFile.h"

#include <algorithm>
#include <system_error>

namespace vesk {

void TImageFileWatch::Watch(const std::string& fileName) {
    FFileName = fileName;
    FSeen = fileName.empty() ? std::nullopt : StampOf(fileName);
    FChangedAt.reset();
    FMessage.clear();
}

TImageFileWatch::TResult TImageFileWatch::Check(TClock::time_point now) {
    if (FFileName.empty()) return TResult::Unchanged;
    const std::optional<TStamp> stamp = StampOf(FFileName);
    if (stamp != FSeen) {
        // Still being written, or written again: the settling starts over.
        FSeen = stamp;
        FChangedAt = now;
        return TResult::Unchanged;
    }
    if (!FChangedAt || now - *FChangedAt < SettleTime) return TResult::Unchanged;
    FChangedAt.reset();
    FMessage = ImageProblem(FFileName);
    return FMessage.empty() ? TResult::Ready : TResult::Incomplete;
}

std::optional<TImageFileWatch::TStamp> TImageFileWatch::StampOf(const std::string& fileName) {
    std::error_code error;
    const std::filesystem::path path(fileName);
    TStamp stamp;
    stamp.Size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    stamp.Written = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    return stamp;
}

std::string TImageFileWatch::ImageProblem(const std::string& fileName) {
    TIntelHexFile image;
    try {
        image.Load(fileName);
    } catch (const Exception& e) {
        return e.Message();
    }
    // A build tool writes the end-of-file record last: without it the file is not done.
    const bool ended = std::any_of(image.Records.begin(), image.Records.end(), [](const auto& record) {
        return record.Marker == ":" && record.RecordType == IntelHexEndOfFileRecord;
    });
    if (!ended) return "File read error: " + fileName + "\nNo end-of-file record";
    return {};
}

} // namespace vesk
