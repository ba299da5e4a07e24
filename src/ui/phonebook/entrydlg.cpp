#include "entrydlg.h"

#include "ui/dialogunits.h"
#include "ui/messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CEntryDlg::CEntryDlg(QWidget* parent, int templateId, const QString& caption, const QString& confirmText)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("entryDlg%1").arg(templateId));
    setWindowTitle(caption);
    setFont(ui::DialogUnits::TemplateFont(QStringLiteral("Times New Roman"), 8));
    const ui::DialogUnits units(font());

    auto* nameLabel = new QLabel(QStringLiteral("Name:"), this);
    auto* numberLabel = new QLabel(QStringLiteral("Phone number:"), this);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("edit1003"));
    m_numberEdit = new QLineEdit(this);
    m_numberEdit->setObjectName(QStringLiteral("edit1004"));
    m_confirm = new QPushButton(confirmText, this);
    m_confirm->setObjectName(QStringLiteral("button1"));
    m_confirm->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("button2"));

    // The labels are right-aligned against the edits, so a font wider than the template's grows
    // them to the left rather than under the edits.
    for (auto [label, rect] : {std::pair{nameLabel, units.ToPixels(40, 18, 20, 8)},
                               std::pair{numberLabel, units.ToPixels(13, 41, 47, 8)}}) {
        const QSize hint = label->sizeHint();
        if (hint.width() > rect.width())
            rect.setLeft(rect.right() - hint.width() + 1);
        if (hint.height() > rect.height())
            rect.setTop(rect.bottom() - hint.height() + 1);
        label->setGeometry(rect);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    nameLabel->setBuddy(m_nameEdit);
    numberLabel->setBuddy(m_numberEdit);
    m_nameEdit->setGeometry(units.ToPixels(65, 15, 124, 14));
    m_numberEdit->setGeometry(units.ToPixels(65, 37, 124, 14));
    m_confirm->setGeometry(units.ToPixels(65, 60, 50, 14));
    cancel->setGeometry(units.ToPixels(135, 60, 50, 14));
    setFixedSize(units.ToPixels(203, 90));
    setTabOrder(m_nameEdit, m_numberEdit);
    setTabOrder(m_numberEdit, m_confirm);
    setTabOrder(m_confirm, cancel);

    connect(m_confirm, &QPushButton::clicked, this, &CEntryDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CEntryDlg::reject);

    m_check = [](const phonebook::EntryTexts& texts) {
        return phonebook::CheckEntryTexts(texts, Charset::Latin1);
    };
}

int CEntryDlg::exec() {
    DoDataExchange(false);
    m_nameEdit->setFocus(Qt::OtherFocusReason);
    m_nameEdit->selectAll();
    return QDialog::exec();
}

void CEntryDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_name = m_nameEdit->text();
        m_number = m_numberEdit->text();
    } else {
        m_nameEdit->setText(m_name);
        m_numberEdit->setText(m_number);
    }
}

void CEntryDlg::accept() {
    const phonebook::EntryTexts typed{m_nameEdit->text(), m_numberEdit->text()};
    if (m_check) {
        if (auto problem = m_check(typed)) {
            ui::ShowErrorMessage(this, problem->message);
            QLineEdit* edit = problem->field == phonebook::EntryField::Name ? m_nameEdit : m_numberEdit;
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return;
        }
    }
    DoDataExchange(true);
    QDialog::accept();
}
