#include "phoneinfodlg.h"

#include "bluetooth/phoneidentity.h"
#include "phonelink/phonelink.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPhoneInfoDlg::CPhoneInfoDlg(CPhoneLink* link, QString portText, QWidget* parent)
    : QDialog(parent), m_link(link), m_portText(std::move(portText)) {
    setObjectName(QStringLiteral("phoneInfoDialog"));
    setWindowTitle(QStringLiteral("Phone information"));
    auto* form = new QFormLayout;
    auto field = [&](const char* name, const QString& label) {
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(name));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        form->addRow(label, value);
        return value;
    };
    m_maker = field("maker", QStringLiteral("Maker:"));
    m_model = field("model", QStringLiteral("Model:"));
    m_port = field("port", QStringLiteral("Connected on:"));
    m_signal = field("signal", QStringLiteral("Signal:"));
    m_battery = field("battery", QStringLiteral("Battery:"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* refresh =
        buttons->addButton(QStringLiteral("&Refresh"), QDialogButtonBox::ActionRole);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    connect(refresh, &QPushButton::clicked, this, &CPhoneInfoDlg::Refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    Refresh();
}

void CPhoneInfoDlg::Refresh() {
    m_port->setText(m_portText);
    if (!m_link || !m_link->IsOpen()) {
        const QString none = QStringLiteral("no phone is connected");
        for (QLabel* label : {m_maker, m_model, m_signal, m_battery})
            label->setText(none);
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const phoneinfo::Identity identity = phoneinfo::QueryIdentity(*m_link);
    const phoneinfo::Readings readings = phoneinfo::QueryReadings(*m_link);
    QGuiApplication::restoreOverrideCursor();
    auto orUnknown = [](const std::string& text) {
        return text.empty() ? QStringLiteral("not given by the phone")
                            : QString::fromStdString(text);
    };
    m_maker->setText(orUnknown(identity.maker));
    m_model->setText(orUnknown(identity.model));
    m_signal->setText(QString::fromStdString(phoneinfo::SignalText(readings.rssi)));
    m_battery->setText(QString::fromStdString(phoneinfo::BatteryText(readings.battery)));
}

QString CPhoneInfoDlg::Field(const QString& objectName) const {
    const QLabel* label = findChild<QLabel*>(objectName);
    return label ? label->text() : QString();
}
