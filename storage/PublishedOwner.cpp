#include "storage/PublishedOwner.h"

#include <utility>

namespace vesk {

namespace {

TPublishedProperty Named(std::string name, TPropertyKind kind) {
    TPublishedProperty p;
    p.Name = std::move(name);
    p.Kind = kind;
    return p;
}

TPublishedProperty Ordinal(std::string name, TPropertyKind kind, TPublishedProperty::TOrdGetter get,
                           TPublishedProperty::TOrdSetter set) {
    TPublishedProperty p = Named(std::move(name), kind);
    p.GetOrd = std::move(get);
    p.SetOrd = std::move(set);
    return p;
}

} // namespace

TPublishedProperty TPublishedProperty::Integer(std::string name, TOrdGetter get, TOrdSetter set) {
    return Ordinal(std::move(name), TPropertyKind::Integer, std::move(get), std::move(set));
}

TPublishedProperty TPublishedProperty::Enumeration(std::string name, TOrdGetter get, TOrdSetter set) {
    return Ordinal(std::move(name), TPropertyKind::Enumeration, std::move(get), std::move(set));
}

TPublishedProperty TPublishedProperty::Boolean(std::string name, std::function<bool()> get,
                                               std::function<void(bool)> set) {
    TOrdGetter ordGet;
    TOrdSetter ordSet;
    if (get) ordGet = [get = std::move(get)] { return get() ? 1 : 0; };
    if (set) ordSet = [set = std::move(set)](int32_t v) { set(v != 0); };
    return Ordinal(std::move(name), TPropertyKind::Enumeration, std::move(ordGet), std::move(ordSet));
}

TPublishedProperty TPublishedProperty::Char(std::string name, std::function<char()> get,
                                            std::function<void(char)> set) {
    TOrdGetter ordGet;
    TOrdSetter ordSet;
    // The ordinal of a character is its byte value, 0 to 255.
    if (get)
        ordGet = [get = std::move(get)] { return static_cast<int32_t>(static_cast<unsigned char>(get())); };
    if (set)
        ordSet = [set = std::move(set)](int32_t v) { set(static_cast<char>(static_cast<unsigned char>(v))); };
    return Ordinal(std::move(name), TPropertyKind::Char, std::move(ordGet), std::move(ordSet));
}

TPublishedProperty TPublishedProperty::Float(std::string name, TFloatGetter get, TFloatSetter set) {
    TPublishedProperty p = Named(std::move(name), TPropertyKind::Float);
    p.GetFloat = std::move(get);
    p.SetFloat = std::move(set);
    return p;
}

TPublishedProperty TPublishedProperty::String(std::string name, TStringGetter get, TStringSetter set) {
    TPublishedProperty p = Named(std::move(name), TPropertyKind::String);
    p.GetString = std::move(get);
    p.SetString = std::move(set);
    return p;
}

TPublishedProperty TPublishedProperty::StringList(std::string name, TStringsGetter get, TStringsSetter set) {
    TPublishedProperty p = Named(std::move(name), TPropertyKind::Object);
    p.GetStrings = std::move(get);
    p.SetStrings = std::move(set);
    return p;
}

TPublishedProperty TPublishedProperty::Object(std::string name) {
    return Named(std::move(name), TPropertyKind::Object);
}

TPublishedProperty TPublishedProperty::Method(std::string name) {
    return Named(std::move(name), TPropertyKind::Method);
}

TPublishedProperty TPublishedProperty::Other(std::string name) {
    return Named(std::move(name), TPropertyKind::Other);
}

} // namespace vesk
