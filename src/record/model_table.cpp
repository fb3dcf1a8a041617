#include "record/model_table.h"

#include <algorithm>

namespace quillmar {

std::vector<std::string_view> acceptedModelNames(int printerFamily)
{
    switch (printerFamily) {
    case 1:
        return {"RX4100 WI-FI"};
    case 2:
        return {"RX7000 WI-FI", "RX_WIFI_IFBOARD"};
    default:
        return {};
    }
}

bool isManagedModel(int printerFamily, std::string_view modelName)
{
    const auto names = acceptedModelNames(printerFamily);
    return std::find(names.begin(), names.end(), modelName) != names.end();
}

}  // namespace quillmar
