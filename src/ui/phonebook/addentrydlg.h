#pragma once
// Template 141: a new entry for the storage the list shows.
#include "entrydlg.h"

class CAddEntryDlg : public CEntryDlg {
    Q_OBJECT
public:
    explicit CAddEntryDlg(QWidget* parent = nullptr)
        : CEntryDlg(parent, 141, QStringLiteral("Add phonebook"), QStringLiteral("Add")) {}
};
