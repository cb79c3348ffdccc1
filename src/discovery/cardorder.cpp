#include "discovery/cardorder.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <numeric>

namespace slatewick {

namespace {

// Qt drops numeric ordering under the C locale, so English stands in for it there.
QLocale collationLocale()
{
    const QLocale locale;
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

QCollator collator(Qt::CaseSensitivity sensitivity)
{
    QCollator result(collationLocale());
    result.setNumericMode(true);
    result.setCaseSensitivity(sensitivity);
    return result;
}

} // namespace

void sortByDisplayName(std::vector<InsertedCard> &cards)
{
    const QCollator primary = collator(Qt::CaseInsensitive);
    // Names equal but for case still get one fixed order; identical names keep theirs.
    const QCollator tieBreak = collator(Qt::CaseSensitive);
    std::vector<QString> names;
    names.reserve(cards.size());
    for (const InsertedCard &card : cards)
        names.push_back(QString::fromStdString(card.displayName));
    std::vector<std::size_t> order(cards.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
        const int byRules = primary.compare(names[left], names[right]);
        if (byRules != 0)
            return byRules < 0;
        if (names[left] == names[right])
            return false;
        const int byCase = tieBreak.compare(names[left], names[right]);
        return byCase != 0 ? byCase < 0 : names[left] < names[right];
    });
    std::vector<InsertedCard> sorted;
    sorted.reserve(cards.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(cards[index]));
    cards = std::move(sorted);
}

} // namespace slatewick
