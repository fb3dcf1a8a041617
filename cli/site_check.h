#pragma once
// Whether a site's printers are as its table says (config check --map): each
// row's printer, found by its MAC among the answers of one search, compared
// field by field with the cells the row fills. A key is compared by what the
// printer stores, with the row's key or with the mask discover --csv wrote for
// it, and shown masked either way.
#include <QString>

#include <cstdint>
#include <vector>

#include "history/record_changes.h"
#include "site_map.h"
#include "write/module_census.h"

namespace quillmar::cli {

struct RowCheck {
    enum class Verdict {
        Matches,   // every cell the row fills is what the printer holds
        Drifted,   // see drift
        NotFound,  // its MAC did not answer
        Conflict,  // its MAC answered from two addresses: one of them is no printer
    };
    int line = 0;
    QString mac;
    Verdict verdict = Verdict::NotFound;
    std::vector<std::uint32_t> addresses;  // where the MAC answered
    // Drifted: `from` is the table's value, `to` the printer's.
    std::vector<ChangedField> drift;
};

std::vector<RowCheck> checkSite(const std::vector<MapRow>& rows, const std::vector<CensusModule>& found);

// "matches", "drifted", "not found", "conflict".
QString verdictName(RowCheck::Verdict verdict);
// "ssid: Shop2 -> ShopX, wpaPsk: sha256:... -> sha256:...".
QString driftText(const std::vector<ChangedField>& drift);

}  // namespace quillmar::cli
