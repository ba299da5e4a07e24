#include "listsort.h"

#include <limits>

namespace phonebook {

SortKind KindForColumn(int column) {
    switch (column) {
    case 0:
    case 2: return SortKind::Integer;
    case 1: return SortKind::Text;
    default: return SortKind::None;
    }
}

int64_t LeadingInteger(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulate towards the sign's own bound so that INT64_MIN is reachable without overflow.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        const int digit = c - u'0';
        if (negative) {
            if (value < (kMin + digit) / 10)
                return kMin;
            value = value * 10 - digit;
        } else {
            if (value > (kMax - digit) / 10)
                return kMax;
            value = value * 10 + digit;
        }
    }
    return value;
}

int CompareCells(int signedKind, const QString& a, const QString& b) {
    const int sign = signedKind >= 0 ? 1 : -1;
    const int kind = sign * signedKind;
    int result = 0;
    if (kind == static_cast<int>(SortKind::Integer)) {
        // Compared, not subtracted: the difference of two long numbers does not fit an int.
        const int64_t va = LeadingInteger(a), vb = LeadingInteger(b);
        result = va < vb ? -1 : va > vb ? 1 : 0;
    } else if (kind == static_cast<int>(SortKind::Text)) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        result = c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return sign * result;
}

bool SortState::Click(int column) {
    ascending = column == lastColumn ? !ascending : true;
    lastColumn = column;
    return ascending;
}

} // namespace phonebook
