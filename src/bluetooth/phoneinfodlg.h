#pragma once
// The "Phone information" window: the connected phone's maker and model, its signal and its
// battery, read when the window opens and again on Refresh.
#include <QDialog>

class CPhoneLink;
class QLabel;

class CPhoneInfoDlg : public QDialog {
    Q_OBJECT
public:
    // The link may be null or closed: the window then says there is no phone.
    CPhoneInfoDlg(CPhoneLink* link, QString portText, QWidget* parent = nullptr);
    void Refresh();
    QString Field(const QString& objectName) const;

private:
    CPhoneLink* m_link;
    QString m_portText;
    QLabel* m_maker;
    QLabel* m_model;
    QLabel* m_port;
    QLabel* m_signal;
    QLabel* m_battery;
};
