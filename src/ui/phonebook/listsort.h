#pragma once
// Ordering of the phone book list when a column heading is clicked. The direction is one state
// for the whole run, shared by every list that exists, so it survives switching views.
#include <QString>
#include <QStringView>

#include <cstdint>

namespace phonebook {

enum class SortKind { None = 0, Integer = 1, Text = 2 };

// "Pos" and "Number" order as integers, "Name" as text; other columns are not sorted.
SortKind KindForColumn(int column);

// The leading signed decimal integer of a cell: blanks skipped, an optional sign, then digits up
// to the first other character; no digits gives 0. Long phone numbers do not fit 32 bits, and
// those beyond 64 bits are held at the nearest bound so they still order after shorter ones.
int64_t LeadingInteger(QStringView text);

// Negative when a goes before b. `signedKind` is the kind as a number, negated for descending.
int CompareCells(int signedKind, const QString& a, const QString& b);

struct SortState {
    int lastColumn = -1;
    bool ascending = true;
    // A click on the column sorted last turns the direction round; any other column starts
    // ascending. Returns the direction to sort in.
    bool Click(int column);
};

} // namespace phonebook
