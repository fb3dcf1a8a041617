#pragma once
// Which module model names the main window accepts for each printer family.
#include <string_view>
#include <vector>

namespace quillmar {

// Family before any choice in the model chooser.
inline constexpr int kDefaultPrinterFamily = 2;

std::vector<std::string_view> acceptedModelNames(int printerFamily);

// Whole-text, case-sensitive match against the family's names.
bool isManagedModel(int printerFamily, std::string_view modelName);

}  // namespace quillmar
