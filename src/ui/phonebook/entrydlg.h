#pragma once
// The two small phone book dialogs share one template: a name and a phone number, a confirm
// button and Cancel. The dialog hands back plain texts; it refuses, with a message and before
// closing, texts the phone could not store, so nothing doomed is ever sent.
#include "entrytexts.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

class CEntryDlg : public QDialog {
    Q_OBJECT
public:
    using Check = std::function<std::optional<phonebook::EntryProblem>(const phonebook::EntryTexts&)>;

    // Exchanged with edits 1003 and 1004: copied in when the dialog opens, out when confirmed.
    QString m_name;
    QString m_number;

    phonebook::EntryTexts Texts() const { return {m_name, m_number}; }
    // Replaces the default check (ISO 8859-1 names, the record's field sizes).
    void SetCheck(Check check) { m_check = std::move(check); }

    QLineEdit* NameEdit() const { return m_nameEdit; }
    QLineEdit* NumberEdit() const { return m_numberEdit; }
    QPushButton* ConfirmButton() const { return m_confirm; }

    int exec() override;

public slots:
    void accept() override;

protected:
    CEntryDlg(QWidget* parent, int templateId, const QString& caption, const QString& confirmText);

private:
    void DoDataExchange(bool saveAndValidate);

    QLineEdit* m_nameEdit;
    QLineEdit* m_numberEdit;
    QPushButton* m_confirm;
    Check m_check;
};
