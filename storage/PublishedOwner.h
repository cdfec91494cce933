// What an object must offer so that a `TAppDataStorage` can keep its settings.
//
// An owner derives from `TPublishedOwner`, gives its name to the base constructor
// and lists its published properties in `PublishedProperties()`: inherited
// properties first, then its own, each in declaration order. Every property has
// a name, a kind and a getter and setter for that kind. The storage reads and
// writes values only through these accessors, so a property whose setter
// forwards elsewhere (to another object's property) forwards loaded values too.
//
// The owner also raises its creation and destruction events: it calls
// `DoCreate()` once it is fully constructed and `DoDestroy()` first thing in its
// destructor, while every property can still be read. A storage hooks both
// events (see `TAppDataStorage::Loaded`).
//
// Example, an owner with an integer, a flag, a text and a list of texts:
//
//   class TMyWindow : public vesk::TPublishedOwner {
//   public:
//       TMyWindow() : TPublishedOwner("MyWindow"), Storage(*this) {
//           Storage.SetFileName("MyWindow.ini");
//           Storage.SetSectionName("Main");
//           Storage.SetActive(true);
//           Storage.SetUseSignature(false);
//           Storage.SetUsePrefix(false);
//           Storage.SetExcludeList({"Name"});
//           Storage.Loaded();   // hooks OnCreate and OnDestroy
//           DoCreate();         // runs the owner's creation: settings are loaded
//       }
//       ~TMyWindow() override { DoDestroy(); }  // settings are saved
//
//       std::vector<vesk::TPublishedProperty> PublishedProperties() override {
//           using P = vesk::TPublishedProperty;
//           return {
//               P::Other("Name"),
//               P::Integer("Delay", [this] { return FDelay; }, [this](int32_t v) { FDelay = v; }),
//               P::Boolean("Verify", [this] { return FVerify; }, [this](bool v) { FVerify = v; }),
//               P::String("Port", [this] { return FPort; }, [this](const std::string& v) { FPort = v; }),
//               P::StringList("Recent", [this] { return FRecent; },
//                             [this](const std::vector<std::string>& v) { FRecent = v; }),
//           };
//       }
//   private:
//       int32_t FDelay = 35; bool FVerify = false; std::string FPort = "COM1";
//       std::vector<std::string> FRecent;
//       vesk::TAppDataStorage Storage;  // declared last: constructed after the fields
//   };
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vesk {

// The kinds of published property the storage tells apart.
enum class TPropertyKind {
    Integer,     // 32-bit integer; stored as decimal
    Char,        // one character, stored as its ordinal number
    Enumeration, // enumeration (bool included), stored as its ordinal number
    Float,       // floating point number
    String,      // text; line breaks are encoded
    Object,      // an object; only string lists are stored
    Method,      // method pointer (event handler); never stored
    Other        // sets, 64-bit integers, variants, arrays ...; never stored
};

// One published property of an owner. Only the accessors of the property's kind
// are consulted: GetOrd/SetOrd for Integer, Char and Enumeration (a bool is 0 or
// 1), GetFloat/SetFloat for Float, GetString/SetString for String and
// GetStrings/SetStrings for an Object that is a string list. A property that
// lacks the accessor needed for an operation is left alone by that operation.
struct TPublishedProperty {
    using TOrdGetter = std::function<int32_t()>;
    using TOrdSetter = std::function<void(int32_t)>;
    using TFloatGetter = std::function<double()>;
    using TFloatSetter = std::function<void(double)>;
    using TStringGetter = std::function<std::string()>;
    using TStringSetter = std::function<void(const std::string&)>;
    using TStringsGetter = std::function<std::vector<std::string>()>;
    using TStringsSetter = std::function<void(const std::vector<std::string>&)>;

    std::string Name;
    TPropertyKind Kind = TPropertyKind::Other;
    TOrdGetter GetOrd;
    TOrdSetter SetOrd;
    TFloatGetter GetFloat;
    TFloatSetter SetFloat;
    TStringGetter GetString;
    TStringSetter SetString;
    TStringsGetter GetStrings;
    TStringsSetter SetStrings;

    // True for an Object property backed by a list of texts (both accessors set).
    bool IsStringList() const { return Kind == TPropertyKind::Object && GetStrings && SetStrings; }

    // Shorthands for building the property table.
    static TPublishedProperty Integer(std::string name, TOrdGetter get, TOrdSetter set);
    // An enumeration given as its ordinal number.
    static TPublishedProperty Enumeration(std::string name, TOrdGetter get, TOrdSetter set);
    // A bool: stored as 0 or 1; any non-zero number read sets it true.
    static TPublishedProperty Boolean(std::string name, std::function<bool()> get,
                                      std::function<void(bool)> set);
    static TPublishedProperty Char(std::string name, std::function<char()> get,
                                   std::function<void(char)> set);
    static TPublishedProperty Float(std::string name, TFloatGetter get, TFloatSetter set);
    static TPublishedProperty String(std::string name, TStringGetter get, TStringSetter set);
    static TPublishedProperty StringList(std::string name, TStringsGetter get, TStringsSetter set);
    // An object of any other class: named, but never stored.
    static TPublishedProperty Object(std::string name);
    static TPublishedProperty Method(std::string name);
    static TPublishedProperty Other(std::string name);
};

class TPublishedOwner;

// The owner's creation and destruction events; the sender is the owner.
using TOwnerEvent = std::function<void(TPublishedOwner& Sender)>;

// Base of every object whose published properties a storage keeps.
class TPublishedOwner {
  public:
    explicit TPublishedOwner(std::string name) : FName(std::move(name)) {}
    virtual ~TPublishedOwner() = default;
    TPublishedOwner(const TPublishedOwner&) = delete;
    TPublishedOwner& operator=(const TPublishedOwner&) = delete;

    // The owner's name (component name); a storage derives its default file name
    // and signature from it.
    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    // Every published property, in order: inherited ones first, then the class's
    // own, each in declaration order. Called only after construction.
    virtual std::vector<TPublishedProperty> PublishedProperties() = 0;

    // Only forms and data modules get their events hooked by a storage.
    virtual bool IsFormOrDataModule() const { return true; }
    // In design mode a storage neither hooks nor places its file.
    virtual bool IsDesigning() const { return false; }

    // Creation and destruction handlers; a storage installs its own here and
    // calls the ones it found.
    TOwnerEvent OnCreate;
    TOwnerEvent OnDestroy;

    // Raise the events; call DoCreate() after construction and DoDestroy()
    // at the start of the destructor. Each event is raised once at most, so a
    // base class destructor that also calls DoDestroy() does no harm. A copy of
    // the handler runs, so a handler may replace itself safely.
    void DoCreate() {
        if (FCreated) return;
        FCreated = true;
        TOwnerEvent handler = OnCreate;
        if (handler) handler(*this);
    }
    void DoDestroy() {
        if (FDestroyed) return;
        FDestroyed = true;
        TOwnerEvent handler = OnDestroy;
        if (handler) handler(*this);
    }

  private:
    std::string FName;
    bool FCreated = false;
    bool FDestroyed = false;
};

} // namespace vesk
