// A small owner with one property of every kind, and a folder made read-only for a test.
#pragma once

#include "storage/AppDataStorage.h"
#include "storage/SettingsFile.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vesk::test {

// Runs `body` in a child process as the unprivileged user "nobody" (uid and
// gid 65534) and returns its result; false when the switch fails or `body`
// raises.
inline bool AsNobody(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int code = 3;
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            try {
                code = body() ? 0 : 1;
            } catch (...) {
                code = 4;
            }
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs `body` where the folder cannot be written to and returns its result:
// in this process with the folder made read-only, or, for the super-user whom
// permissions do not bind, as "nobody".
inline bool WithReadOnlyFolder(const std::string& folder, const std::function<bool()>& body) {
    bool result = false;
    if (::geteuid() != 0) {
        ::chmod(folder.c_str(), 0555);
        try {
            result = body();
        } catch (...) {
        }
    } else {
        ::chmod(folder.c_str(), 0755);
        result = AsNobody(body);
    }
    ::chmod(folder.c_str(), 0700);
    return result;
}

// The driver-like object a forwarding property of the owner writes through to.
struct TForwardTarget {
    std::string Port = "COM1";
    int SetCount = 0;
};

class TTestOwner : public TPublishedOwner {
  public:
    explicit TTestOwner(std::string name = "TestForm") : TPublishedOwner(std::move(name)) {}
    ~TTestOwner() override { DoDestroy(); }

    // Properties the form class "inherits": excluded by the owner's list.
    std::string Caption = "Form";
    int32_t Left = 10;
    // Its own, in declaration order.
    int32_t Delay = 35;
    bool Verify = false;
    char Letter = 'A';
    int32_t Parity = 2; // an enumeration
    double Ratio = 1.5;
    std::string Text = "hello";
    std::vector<std::string> Recent;
    int64_t Big = 7; // a 64-bit integer: never stored
    int32_t Data_Port = 4;
    TForwardTarget* Target = nullptr; // ComPort forwards here when set

    std::vector<TPublishedProperty> PublishedProperties() override {
        using P = TPublishedProperty;
        std::vector<P> list = {
            P::String(
                "Caption", [this] { return Caption; }, [this](const std::string& v) { Caption = v; }),
            P::Integer(
                "Left", [this] { return Left; }, [this](int32_t v) { Left = v; }),
            P::Method("OnClick"),
            P::Integer(
                "Delay", [this] { return Delay; }, [this](int32_t v) { Delay = v; }),
            P::Boolean(
                "Verify", [this] { return Verify; }, [this](bool v) { Verify = v; }),
            P::Char(
                "Letter", [this] { return Letter; }, [this](char v) { Letter = v; }),
            P::Enumeration(
                "Parity", [this] { return Parity; }, [this](int32_t v) { Parity = v; }),
            P::Float(
                "Ratio", [this] { return Ratio; }, [this](double v) { Ratio = v; }),
            P::String(
                "Text", [this] { return Text; }, [this](const std::string& v) { Text = v; }),
            P::StringList(
                "Recent", [this] { return Recent; },
                [this](const std::vector<std::string>& v) { Recent = v; }),
            P::Object("Font"),
            P::Other("Big"),
            P::Integer(
                "Data_Port", [this] { return Data_Port; }, [this](int32_t v) { Data_Port = v; }),
        };
        if (Target != nullptr) {
            list.push_back(P::String(
                "ComPort", [this] { return Target->Port; },
                [this](const std::string& v) {
                    Target->Port = v;
                    ++Target->SetCount;
                }));
        }
        return list;
    }
};

// A storage set up as the main window sets its own: file in `folder`, section
// "DIRUD", no signature, no prefix, no backup, inherited names excluded.
inline void ConfigureLikeWindow(TAppDataStorage& storage, const std::string& folder) {
    SetUpSettingsFile(storage);
    storage.SetFilePath(folder);
    storage.SetUseFilePath(true);
    storage.SetExcludeList({"Left", "Caption", "Name"});
}

} // namespace vesk::test
