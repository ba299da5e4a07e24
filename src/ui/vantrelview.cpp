#include "vantrelview.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/resources.h"

#include <QLabel>
#include <QPushButton>

CVantrelView::CVantrelView(QWidget* parent)
    : CColorFormView(ui::VIEW_START, QSize(320, 200), QStringLiteral("MS Sans Serif"), 8, parent),
      m_splash(new QLabel(this)) {
    const QPixmap splash = ui::SplashPixmap();
    m_splash->setObjectName(QStringLiteral("splash"));
    m_splash->setPixmap(splash);
    // The picture control shows the bitmap at its natural size, whatever the dialog units say.
    const QRect at = Units().ToPixels(7, 7, 0, 0);
    m_splash->setGeometry(QRect(at.topLeft(), splash.size()));
    addConnectButton();
}

void CVantrelView::addConnectButton() {
    // The way back to a phone after Cancel, a failed search or a lost link, where the user looks.
    auto* button = new QPushButton(QStringLiteral("Connect to phone..."), this);
    button->setObjectName(QStringLiteral("connectButton"));
    // Inside the splash's lower right corner, clear of its pictures and texts.
    const QSize size = button->sizeHint();
    const QRect splash = m_splash->geometry();
    button->setGeometry(QRect(QPoint(splash.right() - size.width() - 16, splash.bottom() - size.height() - 14), size));
    connect(button, &QPushButton::clicked, this, [this] {
        if (auto* frame = qobject_cast<CMainFrame*>(window()))
            frame->OnCommand(ui::ID_CONNECT_PHONE);
    });
}

void CVantrelView::OnInitialUpdate() {
    // White as the template's splash page; a dark desktop theme gets its own base colour, so the
    // start page does not glare between dark bars.
    SetBackColor(IsDarkPalette(palette()) ? palette().color(QPalette::Base) : QColor(Qt::white));
    FitParentFrame();
}
