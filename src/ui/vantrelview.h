#pragma once
// The start view (form 101): the splash picture on white, shown until the user picks a function.
#include "ui/colorformview.h"

class QLabel;

class CVantrelView : public CColorFormView {
    Q_OBJECT
public:
    explicit CVantrelView(QWidget* parent = nullptr);
    void OnInitialUpdate() override;

private:
    void addConnectButton();
    QLabel* m_splash;
};
