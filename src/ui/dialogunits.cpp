#include "dialogunits.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <cmath>

namespace ui {
namespace {

// Rounds n * numerator / denominator to the nearest integer, halves away from zero, as the
// platform's own conversion does; a plain integer division would pull every control up-left.
int mulDiv(int n, int numerator, int denominator) {
    const long long product = static_cast<long long>(n) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = std::max(1, (metrics.horizontalAdvance(letters) / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

QFont DialogUnits::TemplateFont(const QString& family, int pointSize) {
    QFont font;
    if (family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
        || family.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0)
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    else
        font = QFont(family);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

int DialogUnits::X(int dialogUnits) const { return mulDiv(dialogUnits, m_baseX, 4); }
int DialogUnits::Y(int dialogUnits) const { return mulDiv(dialogUnits, m_baseY, 8); }

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    // Convert the corners, not the size, so adjacent controls stay adjacent after rounding.
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize DialogUnits::ToPixels(int width, int height) const { return QSize(X(width), Y(height)); }

} // namespace ui
