#include "launcher/registry.hpp"

#include "text/strings.hpp"

namespace vc::launcher {

namespace {

// The caller's buffer is filled with NULs before the query, so the text
// read is everything before the first NUL, and never more than the buffer.
std::string CutAsBuffer(std::string_view stored) {
  stored = stored.substr(0, stored.find('\0'));
  return std::string(text::LeftChars(stored, kRegistryBufferChars));
}

}  // namespace

RegistryValue ReadRegistryValue(const Registry& registry, RegistryRoot root,
                                std::string_view subkey, std::string_view valueName,
                                RegistryValueType type) {
  switch (type) {
    case RegistryValueType::kString:
      if (auto stored = registry.QueryString(root, subkey, valueName)) {
        return CutAsBuffer(*stored);
      }
      return {};
    case RegistryValueType::kDword:
      if (auto number = registry.QueryDword(root, subkey, valueName)) {
        return *number;
      }
      return {};
  }
  return {};
}

std::string RegistryText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return *text;
  }
  return {};
}

}  // namespace vc::launcher
