#pragma once
// Dialog templates give positions in dialog units, which scale with the form's font: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an eighth
// of its height. Forms place their controls at the template's rectangles through this helper, so
// a larger desktop font grows the whole form in proportion.
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

namespace ui {

class DialogUnits {
public:
    // Base units measured from a font (average width of the Latin letters, line height).
    explicit DialogUnits(const QFont& font);
    // Base units given directly (tests, fixed layouts).
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    // The font a template names: "MS Sans Serif" and "System" were the platform's dialog
    // fonts and map to the desktop's sans font; any other family is asked for by name.
    static QFont TemplateFont(const QString& family, int pointSize);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int X(int dialogUnits) const;
    int Y(int dialogUnits) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

} // namespace ui
