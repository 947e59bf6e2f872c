// XML namespaces for a parser that reports names as written ("gpxtpx:speed",
// "trkpt"): the declarations in force at each element, and the rules of
// Namespaces in XML 1.0 that a namespace-aware parser checks.
//
//   <gpx xmlns="http://www.topografix.com/GPX/1/1"
//        xmlns:gpxtpx="http://www.garmin.com/xmlschemas/TrackPointExtension/v2">
//     ... <gpxtpx:TrackPointExtension><gpxtpx:speed>1.2</gpxtpx:speed> ...
//
// A prefix means what its nearest declaration says, whatever its spelling
// ("ns3:speed" is as good as "gpxtpx:speed"); a name without a prefix is in
// the default namespace, an attribute without one in none. A name has at
// most one colon, with a name on both sides; every prefix used is declared
// ("xml" always is); "xml" and "xmlns" and their namespace names are
// reserved; a prefix cannot be undeclared (xmlns:p=""); and no two
// attributes of an element have the same namespace and local name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vc::gpx {

class XmlNamespaces {
 public:
  static constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);

  // The start tag of an element `level` deep (the root is 1) with its
  // attributes as name/value pairs ending in a null name: its declarations
  // come into force, and `localName` is the element's name without its
  // prefix. False when the tag breaks a rule; FaultAt() then says where.
  bool Enter(const char* elementName, const char* const* attributes, int level,
             std::string_view& localName) {
    // Most tags are a plain name alone, with nothing to declare or resolve.
    const char* end = elementName;
    while (*end != '\0' && *end != ':') ++end;
    if (*end == '\0' && attributes[0] == nullptr) {
      localName = std::string_view(elementName, end);
      return true;
    }
    return EnterTag(elementName, end, attributes, level, localName);
  }
  // The end of an element `level` deep: its declarations go out of force.
  void Leave(int level) noexcept {
    while (count_ > 0 && bindings_[count_ - 1].level >= level) --count_;
  }

  // Whether an element deeper than the root declares a namespace in force.
  [[nodiscard]] bool DeclaresBelowRoot() const noexcept {
    return count_ > 0 && bindings_[count_ - 1].level > 1;
  }

  // The namespace of a name that Enter has accepted: of its prefix, or the
  // default namespace; empty for none.
  [[nodiscard]] std::string_view UriOf(std::string_view elementName) const noexcept;

  // The offset of the character that makes a name no qualified name: in
  // the element's name, or in that of the attribute FaultAttribute() (its
  // place among the attributes); kNoOffset when the fault is no such
  // character but the tag's (a prefix not declared, a reserved one...).
  [[nodiscard]] std::size_t FaultAt() const noexcept { return faultAt_; }
  [[nodiscard]] std::size_t FaultAttribute() const noexcept { return faultAttribute_; }

  // The local part of a name ("speed" of "gpxtpx:speed").
  static std::string_view LocalPart(const char* name) noexcept {
    const char* colon = nullptr;
    const char* end = name;
    for (; *end != '\0'; ++end) {
      if (*end == ':' && colon == nullptr) colon = end;
    }
    return colon == nullptr ? std::string_view(name, end) : std::string_view(colon + 1, end);
  }

 private:
  struct Binding {
    std::string prefix;  // empty for the default namespace
    std::string uri;
    int level = 0;
  };

  // The rest of Enter, with the element's name read up to its first colon
  // or its end, `stop`.
  bool EnterTag(const char* elementName, const char* stop, const char* const* attributes, int level,
                std::string_view& localName);
  bool DeclareAll(const char* const* attributes, int level);
  bool Declare(std::string_view prefix, std::string_view uri, int level);
  // The binding of a prefix ("" for the default namespace); nullptr when
  // none is in force.
  [[nodiscard]] const std::string* Find(std::string_view prefix) const noexcept;
  bool AttributesAreDistinct(const char* const* attributes) const;

  // Entries beyond count_ keep their storage for the next declarations.
  std::vector<Binding> bindings_;
  std::size_t count_ = 0;
  std::size_t faultAt_ = kNoOffset;
  std::size_t faultAttribute_ = kNoOffset;
};

}  // namespace vc::gpx
