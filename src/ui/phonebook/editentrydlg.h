#pragma once
// Template 132: new texts for a listed entry. It opens with the name as stored, suffix included,
// so that saving it unchanged keeps the number's kind.
#include "entrydlg.h"

class CEditEntryDlg : public CEntryDlg {
    Q_OBJECT
public:
    explicit CEditEntryDlg(QWidget* parent = nullptr)
        : CEntryDlg(parent, 132, QStringLiteral("Edit phonebook"), QStringLiteral("Modify")) {}
};
