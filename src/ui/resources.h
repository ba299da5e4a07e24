#pragma once
// The program's artwork and string tables live in a Qt resource file compiled into a static
// library, so it has to be registered explicitly before first use.
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace ui {

// Registers the resources; cheap to call again.
void InitResources();

// Renders an SVG resource at exactly the given pixel size (a null pixmap if it is missing).
QPixmap RenderSvg(const QString& resourcePath, QSize size);

// Icons 128, 130, 131, 132, 157, 158, each rendered at the sizes the windows use (16, 32, 48).
QIcon ResourceIcon(int id);
// The toolbar's image for a command of the toolbar (50 x 50), a null icon for other ids.
QIcon ToolbarIcon(int commandId);
// Bitmap 160, 512 x 406.
QPixmap SplashPixmap();

} // namespace ui
