#pragma once
// A form view (a view laid out from a dialog template) that paints its background in one solid
// colour. Base of the melody, SMS and start views.
#include "ui/dialogunits.h"
#include "ui/view.h"

#include <QBrush>
#include <QColor>

class CColorFormView : public CView {
    Q_OBJECT
public:
    // templateSize in dialog units; the font is the template's (mapped to the desktop's sans).
    CColorFormView(int templateId, QSize templateSize, const QString& fontFamily, int fontPoints,
                   QWidget* parent = nullptr);

    // Takes effect at the next paint; the view does not repaint itself. Always succeeds here
    // (a brush of any colour can be made), so it returns true.
    bool SetBackColor(const QColor& color);
    QColor BackColor() const { return m_backColor; }

    const ui::DialogUnits& Units() const { return m_units; }
    // Places a control at a template rectangle given in dialog units.
    void Place(QWidget* control, int x, int y, int width, int height) const;
    // The form's size in pixels: the template's, grown to cover every placed control.
    QSize FormSize() const;
    QSize sizeHint() const override { return FormSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Lays out the frame again and shrinks it to fit the form (never grows it).
    void FitParentFrame();

private:
    QColor m_backColor;
    QBrush m_backBrush;
    QSize m_templateSize;
    ui::DialogUnits m_units;
};
