#pragma once
// What the frame remembers of its layout between runs (size, position, the splitters of each
// view), and the scrolling container a view sits in, so that a window smaller than a form
// scrolls instead of clipping its controls.
#include <QByteArray>

class QMainWindow;
class QScrollArea;
class QWidget;

namespace ui {

// Saves the frame's geometry to the user's settings.
void SaveFrameGeometry(const QMainWindow& frame);
// Restores what SaveFrameGeometry kept; false when nothing usable was kept (first run).
bool RestoreFrameGeometry(QMainWindow& frame);

// Every splitter of a view, by its object name, under the view id.
void SaveSplitters(const QWidget& view, int viewId);
void RestoreSplitters(QWidget& view, int viewId);

// A frameless scroll area that stretches `view` to its viewport and scrolls once the viewport is
// smaller than the view's minimum size hint (a form's template size).
QScrollArea* MakeViewScroller(QWidget* view, QWidget* parent);

} // namespace ui
