#include "vantrelview.h"

#include "ui/ids.h"
#include "ui/resources.h"

#include <QLabel>

CVantrelView::CVantrelView(QWidget* parent)
    : CColorFormView(ui::VIEW_START, QSize(320, 200), QStringLiteral("MS Sans Serif"), 8, parent),
      m_splash(new QLabel(this)) {
    const QPixmap splash = ui::SplashPixmap();
    m_splash->setObjectName(QStringLiteral("splash"));
    m_splash->setPixmap(splash);
    // The picture control shows the bitmap at its natural size, whatever the dialog units say.
    const QRect at = Units().ToPixels(7, 7, 0, 0);
    m_splash->setGeometry(QRect(at.topLeft(), splash.size()));
}

void CVantrelView::OnInitialUpdate() {
    // White as the template's splash page; a dark desktop theme gets its own base colour, so the
    // start page does not glare between dark bars.
    SetBackColor(IsDarkPalette(palette()) ? palette().color(QPalette::Base) : QColor(Qt::white));
    FitParentFrame();
}
