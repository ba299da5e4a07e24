#include "resources.h"

#include "ui/ids.h"

#include <QPainter>
#include <QSvgRenderer>

static void registerHarluneResources() { Q_INIT_RESOURCE(harlune); }

namespace ui {

void InitResources() {
    static const bool registered = (registerHarluneResources(), true);
    (void)registered;
}

QPixmap RenderSvg(const QString& resourcePath, QSize size) {
    InitResources();
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

namespace {

QString iconPath(int id) {
    switch (id) {
    case IDR_MAINFRAME: return QStringLiteral(":/icons/app-128.svg");
    case IDI_BOOK_CLOSED: return QStringLiteral(":/icons/book-closed-130.svg");
    case IDI_BOOK_OPEN: return QStringLiteral(":/icons/book-open-131.svg");
    case IDI_PHONEBOOK_ENTRY: return QStringLiteral(":/icons/entry-132.svg");
    case IDI_SMS: return QStringLiteral(":/icons/sms-157.svg");
    case IDI_MELODY: return QStringLiteral(":/icons/melody-158.svg");
    default: return {};
    }
}

QString toolbarPath(int commandId) {
    switch (commandId) {
    case ID_SHOW_PHONEBOOK: return QStringLiteral(":/toolbar/phonebook.svg");
    case ID_SHOW_MELODIES: return QStringLiteral(":/toolbar/melodies.svg");
    case ID_SHOW_SMS: return QStringLiteral(":/toolbar/sms.svg");
    case ID_SHOW_PICTURES: return QStringLiteral(":/toolbar/pictures.svg");
    case ID_UPLOAD_PICTURE: return QStringLiteral(":/toolbar/upload.svg");
    case ID_SHOW_MESSAGES: return QStringLiteral(":/toolbar/messages.svg");
    default: return {};
    }
}

QIcon iconFrom(const QString& path, std::initializer_list<int> sizes) {
    QIcon icon;
    if (path.isEmpty())
        return icon;
    for (int size : sizes) {
        QPixmap pixmap = RenderSvg(path, QSize(size, size));
        if (pixmap.isNull())
            return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ResourceIcon(int id) { return iconFrom(iconPath(id), {16, 32, 48}); }

QIcon ToolbarIcon(int commandId) { return iconFrom(toolbarPath(commandId), {50}); }

QPixmap SplashPixmap() { return RenderSvg(QStringLiteral(":/splash-160.svg"), QSize(512, 406)); }

} // namespace ui
