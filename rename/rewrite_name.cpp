#include "rewrite_name.hpp"

namespace rinomina {

std::optional<std::u16string> RewriteName(std::u16string_view name, std::u16string_view searchText,
                                          std::u16string_view replacementText) {
  const std::size_t position = name.find(searchText);
  if (position == std::u16string_view::npos) return std::nullopt;

  std::u16string newName;
  newName.reserve(name.size() - searchText.size() + replacementText.size());
  newName.append(name.substr(0, position));
  newName.append(replacementText);
  newName.append(name.substr(position + searchText.size()));
  return newName;
}

}  // namespace rinomina
