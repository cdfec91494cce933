// The public members of `TSimulator`: each takes the simulator's lock and reads or
// changes the state the lines share.
#include "SimulatorImpl.h"
#include "VESK_Exception.h"

#include <fstream>

namespace vesk::sim {

TSimulator::TSimulator(const vesk::TChipDefinition& chip, const TOptions& options)
    : FImpl(std::make_shared<TImpl>(chip, options)) {}

TSimulator::~TSimulator() = default;

bool TSimulator::LineDropped() const {
    auto lock = FImpl->Lock();
    return FImpl->Dropped;
}
int32_t TSimulator::Word(int32_t address) const {
    auto lock = FImpl->Lock();
    return FImpl->Memory.Word(address);
}
void TSimulator::SetWord(int32_t address, int32_t value) {
    auto lock = FImpl->Lock();
    FImpl->Memory.SetWord(address, value);
}
void TSimulator::EraseAll() {
    auto lock = FImpl->Lock();
    FImpl->Memory.EraseAll();
}
void TSimulator::SetDeviceId(int32_t id) {
    auto lock = FImpl->Lock();
    FImpl->Memory.SetDeviceId(id);
}
int32_t TSimulator::DeviceId() const {
    auto lock = FImpl->Lock();
    return FImpl->Memory.DeviceId();
}
void TSimulator::SetFaults(const TFaults& faults) {
    auto lock = FImpl->Lock();
    FImpl->Engine.SetFaults(faults);
}
TFaults TSimulator::Faults() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.Faults();
}
std::string TSimulator::Received() const {
    auto lock = FImpl->Lock();
    return FImpl->ReceivedBytes;
}
std::string TSimulator::Sent() const {
    auto lock = FImpl->Lock();
    return FImpl->SentBytes;
}
int TSimulator::BaudRate() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.BaudRate();
}
bool TSimulator::InPassThrough() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.InPassThrough();
}
int TSimulator::PassThroughFlags() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.PassThroughFlags();
}
bool TSimulator::TargetRunning() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.TargetRunning();
}
char TSimulator::ProgramRegion() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.ProgramRegion();
}
int32_t TSimulator::Address() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.Address();
}
std::string TSimulator::LastActivationId() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.LastActivationId();
}
std::vector<TProgramMode> TSimulator::ProgramModes() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.ProgramModes();
}
int TSimulator::Connections() const {
    auto lock = FImpl->Lock();
    return FImpl->ConnectionCount;
}
bool TSimulator::HostClosed() const {
    auto lock = FImpl->Lock();
    return FImpl->Closed;
}
std::vector<TAnswerTime> TSimulator::AnswerTimes() const {
    auto lock = FImpl->Lock();
    return FImpl->Answers;
}
std::string TSimulator::TargetReceived() const {
    auto lock = FImpl->Lock();
    return FImpl->TargetBytes;
}

std::optional<TProgramMode> TSimulator::LastProgramMode(char region) const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.LastProgramMode(region);
}

void TSimulator::ClearReceived() {
    auto lock = FImpl->Lock();
    FImpl->ReceivedBytes.clear();
    FImpl->SentBytes.clear();
    FImpl->TargetBytes.clear();
    FImpl->Answers.clear();
}

void TSimulator::DumpMemory(const std::string& path) const {
    std::string text;
    {
        auto lock = FImpl->Lock();
        const bool hex = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".hex") == 0 ||
                                              path.compare(path.size() - 4, 4, ".HEX") == 0);
        text = hex ? FImpl->Memory.DumpIntelHex() : FImpl->Memory.DumpText();
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) throw Exception("Cannot write memory dump " + path);
}

void TSimulator::LoadImage(const std::string& hexPath) {
    auto lock = FImpl->Lock();
    int skipped = FImpl->Memory.LoadIntelHexFile(hexPath);
    if (skipped)
        FImpl->Log("  # image " + hexPath + ": " + std::to_string(skipped) +
                   " words outside the target's memory");
}

bool TSimulator::WaitReceived(size_t count, int timeoutMs) const {
    std::unique_lock lock(FImpl->M);
    return FImpl->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return FImpl->ReceivedBytes.size() >= count; });
}

bool TSimulator::WaitHandled(size_t count, int timeoutMs) const {
    std::unique_lock lock(FImpl->M);
    return FImpl->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return FImpl->Dropped || FImpl->ReceivedBytes.size() >= count; });
}

bool TSimulator::WaitPassThrough(bool on, int timeoutMs) const {
    std::unique_lock lock(FImpl->M);
    return FImpl->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return FImpl->Engine.InPassThrough() == on; });
}

} // namespace vesk::sim
