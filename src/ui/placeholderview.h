#pragma once
// Stands in for a view whose window has not been plugged into the frame yet: a plain form that
// names the view, so the toolbar's switching can be used and seen before every view exists.
#include "ui/colorformview.h"

class CPlaceholderView : public CColorFormView {
    Q_OBJECT
public:
    CPlaceholderView(int viewId, const QString& title, QWidget* parent = nullptr);
};
