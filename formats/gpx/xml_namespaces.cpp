#include "formats/gpx/xml_namespaces.hpp"

#include <expat.h>

#include <string>

namespace vc::gpx {
namespace {

constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";
constexpr std::string_view kDeclarationPrefix = "xmlns:";
constexpr std::size_t kNone = std::string_view::npos;

// A name may follow the colon only where a name may start.
bool CanStartName(char c) noexcept {
  return !(c >= '0' && c <= '9') && c != '-' && c != '.' && c != ':';
}

// Whether expat's namespace mode takes a local name that begins with a
// character beyond ASCII: it knows the letters of every alphabet that may
// start a name, and is asked with a tag of that name alone, under a prefix
// of its own.
bool NamespaceModeTakes(std::string_view local) {
  std::string tag = "<p:";
  tag.append(local).append(" xmlns:p='u'/>");
  const XML_Parser parser = XML_ParserCreateNS("UTF-8", '|');
  const bool taken =
      XML_Parse(parser, tag.data(), static_cast<int>(tag.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return taken;
}

// Where a name stops being a qualified name (prefix:local or local), as a
// namespace-aware parser reports it; kNone when it is one.
std::size_t QualifiedNameFault(std::string_view name) {
  const std::size_t colon = name.find(':');
  if (colon == kNone) return kNone;
  if (colon == 0) return 0;
  if (colon + 1 == name.size() || !CanStartName(name[colon + 1])) return colon + 1;
  const std::size_t second = name.find(':', colon + 1);
  if (second != kNone) return second;
  const bool beyondAscii = (static_cast<unsigned char>(name[colon + 1]) & 0x80) != 0;
  if (beyondAscii && !NamespaceModeTakes(name.substr(colon + 1))) {
    return colon + 1;
  }
  return kNone;
}

}  // namespace

bool XmlNamespaces::EnterTag(const char* elementName, const char* stop,
                             const char* const* attributes, int level,
                             std::string_view& localName) {
  const char* const colon = *stop == ':' ? stop : nullptr;
  const char* end = stop;
  while (*end != '\0') ++end;
  localName =
      colon == nullptr ? std::string_view(elementName, end) : std::string_view(colon + 1, end);
  faultAttribute_ = kNoOffset;
  faultAt_ = colon == nullptr ? kNone : QualifiedNameFault(std::string_view(elementName, end));
  if (faultAt_ != kNone) return false;
  // The names first, in the order of the tag, as a parser reads them; then
  // the declarations and the prefixes they bind.
  bool declares = false;
  bool prefixed = false;
  for (std::size_t i = 0; attributes[i] != nullptr; i += 2) {
    const char* const name = attributes[i];
    const char* at = name;
    while (*at != '\0' && *at != ':') ++at;
    if (*at == '\0') {
      declares = declares || (*name == 'x' && std::string_view(name, at) == "xmlns");
      continue;
    }
    const std::string_view qualified = name;
    faultAt_ = QualifiedNameFault(qualified);
    if (faultAt_ != kNone) {
      faultAttribute_ = i / 2;
      return false;
    }
    const bool declaration = qualified.starts_with(kDeclarationPrefix);
    declares = declares || declaration;
    prefixed = prefixed || !declaration;
  }
  if (declares && !DeclareAll(attributes, level)) return false;
  if (prefixed && !AttributesAreDistinct(attributes)) return false;
  return colon == nullptr || Find(std::string_view(elementName, colon)) != nullptr;
}

bool XmlNamespaces::DeclareAll(const char* const* attributes, int level) {
  for (std::size_t i = 0; attributes[i] != nullptr; i += 2) {
    const std::string_view name = attributes[i];
    if (name == "xmlns") {
      if (!Declare({}, attributes[i + 1], level)) return false;
    } else if (name.starts_with(kDeclarationPrefix)) {
      if (!Declare(name.substr(kDeclarationPrefix.size()), attributes[i + 1], level)) return false;
    }
  }
  return true;
}

std::string_view XmlNamespaces::UriOf(std::string_view elementName) const noexcept {
  const std::size_t colon = elementName.find(':');
  const std::string* uri = Find(colon == kNone ? std::string_view{} : elementName.substr(0, colon));
  return uri == nullptr ? std::string_view{} : std::string_view(*uri);
}

bool XmlNamespaces::Declare(std::string_view prefix, std::string_view uri, int level) {
  if (prefix == "xmlns" || (prefix == "xml") != (uri == kXmlUri) || uri == kXmlnsUri) return false;
  // xmlns="" leaves the default namespace; a prefix cannot be undeclared.
  if (uri.empty() && !prefix.empty()) return false;
  if (count_ == bindings_.size()) bindings_.emplace_back();
  Binding& binding = bindings_[count_++];
  binding.prefix = prefix;
  binding.uri = uri;
  binding.level = level;
  return true;
}

const std::string* XmlNamespaces::Find(std::string_view prefix) const noexcept {
  for (std::size_t i = count_; i > 0; --i) {
    if (bindings_[i - 1].prefix == prefix) return &bindings_[i - 1].uri;
  }
  if (prefix == "xml") {
    static const std::string xml(kXmlUri);
    return &xml;
  }
  return nullptr;
}

// Every prefix of an attribute declared, and no two attributes of the same
// namespace and local name ("a:x" and "b:x" with a and b bound alike).
bool XmlNamespaces::AttributesAreDistinct(const char* const* attributes) const {
  for (std::size_t i = 0; attributes[i] != nullptr; i += 2) {
    const std::string_view name = attributes[i];
    const std::size_t colon = name.find(':');
    if (colon == kNone || name.starts_with(kDeclarationPrefix)) continue;
    const std::string* uri = Find(name.substr(0, colon));
    if (uri == nullptr) return false;
    for (std::size_t j = 0; j < i; j += 2) {
      const std::string_view other = attributes[j];
      const std::size_t otherColon = other.find(':');
      if (otherColon == kNone || other.starts_with(kDeclarationPrefix) ||
          other.substr(otherColon) != name.substr(colon)) {
        continue;
      }
      const std::string* otherUri = Find(other.substr(0, otherColon));
      if (otherUri != nullptr && *otherUri == *uri) return false;
    }
  }
  return true;
}

}  // namespace vc::gpx
