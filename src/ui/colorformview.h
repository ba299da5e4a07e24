#pragma once
// A form view (a view laid out from a dialog template) that paints its background in one solid
// colour. Base of the melody, SMS and start views.
#include "ui/dialogunits.h"
#include "ui/view.h"

#include <QBrush>

#include <vector>
#include <QColor>
#include <QHash>
#include <QPointer>

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
    // The template is the least the form needs: below it the frame scrolls the form.
    QSize minimumSizeHint() const override { return FormSize(); }

    // How a control follows a form larger than its template: it keeps its template rectangle
    // at the template size, and moves or grows by the extra width and height as flagged.
    enum Anchor { Fixed = 0, GrowX = 1, GrowY = 2, MoveX = 4, MoveY = 8 };
    // Call after the control got its template rectangle.
    void SetAnchor(QWidget* control, int anchors);

    // True for a palette whose window colour is dark (a dark desktop theme).
    static bool IsDarkPalette(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Shrinks the frame to fit the form, only on a first run (no remembered size) and only for
    // the first form shown: a view switch never changes the size the user gave the window.
    void FitParentFrame();

private:
    QColor m_backColor;
    QBrush m_backBrush;
    QSize m_templateSize;
    ui::DialogUnits m_units;
    struct Anchored {
        QPointer<QWidget> control;
        QRect base;
        int anchors;
    };
    std::vector<Anchored> m_anchored;
};
