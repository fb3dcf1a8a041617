#include "nearest_word.h"

#include <algorithm>
#include <vector>

namespace quillmar::cli {

namespace {

// Edits between the two words, a swap of neighbours counting as one.
qsizetype editDistance(const QString& a, const QString& b)
{
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<qsizetype>> d(std::size_t(n + 1), std::vector<qsizetype>(std::size_t(m + 1)));
    for (qsizetype i = 0; i <= n; ++i)
        d[i][0] = i;
    for (qsizetype j = 0; j <= m; ++j)
        d[0][j] = j;
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const qsizetype change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

}  // namespace

std::optional<QString> nearestWord(const QString& typed, const QStringList& known)
{
    const QString word = typed.toLower();
    if (word.isEmpty())
        return std::nullopt;
    QStringList beginning;
    for (const QString& candidate : known) {
        if (candidate.startsWith(word, Qt::CaseInsensitive))
            beginning << candidate;
    }
    if (beginning.size() == 1)
        return beginning.constFirst();
    const qsizetype allowed = word.size() <= 4 ? 1 : word.size() <= 8 ? 2 : 3;
    std::optional<QString> best;
    qsizetype bestDistance = allowed + 1;
    for (const QString& candidate : known) {
        const qsizetype distance = editDistance(word, candidate.toLower());
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace quillmar::cli
