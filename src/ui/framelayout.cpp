#include "framelayout.h"

#include <QMainWindow>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>

namespace ui {

namespace {
constexpr auto kFrameGroup = "Frame";
QString splitterKey(int viewId, const QSplitter& splitter) {
    return QStringLiteral("Splitters/%1/%2").arg(viewId).arg(splitter.objectName());
}
} // namespace

void SaveFrameGeometry(const QMainWindow& frame) {
    QSettings settings;
    settings.beginGroup(QLatin1String(kFrameGroup));
    settings.setValue(QStringLiteral("Geometry"), frame.saveGeometry());
}

bool RestoreFrameGeometry(QMainWindow& frame) {
    QSettings settings;
    settings.beginGroup(QLatin1String(kFrameGroup));
    const QByteArray geometry = settings.value(QStringLiteral("Geometry")).toByteArray();
    // restoreGeometry() checks the layout's magic and version and keeps the window on a screen.
    return !geometry.isEmpty() && frame.restoreGeometry(geometry);
}

void SaveSplitters(const QWidget& view, int viewId) {
    QSettings settings;
    for (const QSplitter* splitter : view.findChildren<QSplitter*>())
        if (!splitter->objectName().isEmpty())
            settings.setValue(splitterKey(viewId, *splitter), splitter->saveState());
}

void RestoreSplitters(QWidget& view, int viewId) {
    QSettings settings;
    for (QSplitter* splitter : view.findChildren<QSplitter*>()) {
        if (splitter->objectName().isEmpty())
            continue;
        const QByteArray state = settings.value(splitterKey(viewId, *splitter)).toByteArray();
        if (!state.isEmpty())
            splitter->restoreState(state);
    }
}

QScrollArea* MakeViewScroller(QWidget* view, QWidget* parent) {
    auto* scroller = new QScrollArea(parent);
    scroller->setObjectName(QStringLiteral("viewScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(view);
    return scroller;
}

} // namespace ui
