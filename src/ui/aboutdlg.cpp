#include "aboutdlg.h"

#include "ui/dialogunits.h"
#include "ui/ids.h"
#include "ui/resources.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Harlune"));
    const QFont font = ui::DialogUnits::TemplateFont(QStringLiteral("MS Sans Serif"), 8);
    setFont(font);
    const ui::DialogUnits units(font);

    auto* icon = new QLabel(this);
    const QRect iconRect = units.ToPixels(11, 17, 20, 20);
    icon->setPixmap(ui::ResourceIcon(ui::IDR_MAINFRAME).pixmap(32, 32));
    icon->setGeometry(QRect(iconRect.topLeft(), QSize(32, 32)));

    auto place = [&](const QString& text, int x, int y, int w, int h) {
        auto* label = new QLabel(text, this);
        label->setGeometry(units.ToPixels(x, y, w, h));
        return label;
    };
    place(QStringLiteral("Harlune Version 0.9"), 40, 24, 119, 8);
    place(QStringLiteral("Copyright (C) 2002 Dunmere"), 40, 37, 119, 8);
    place(QStringLiteral("Any problem mail to help@dunmere.example"), 40, 11, 149, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.ToPixels(198, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.ToPixels(255, 56));
}
