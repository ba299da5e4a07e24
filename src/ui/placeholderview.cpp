#include "placeholderview.h"

#include <QLabel>

CPlaceholderView::CPlaceholderView(int viewId, const QString& title, QWidget* parent)
    : CColorFormView(viewId, QSize(320, 200), QStringLiteral("MS Sans Serif"), 8, parent) {
    auto* label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("placeholderTitle"));
    Place(label, 7, 7, 300, 10);
}
