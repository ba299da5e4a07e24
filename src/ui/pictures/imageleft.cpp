#include "imageleft.h"

#include "filebytes.h"

#include "ui/ids.h"
#include "ui/pictures/picturefolder.h"
#include "ui/pictures/picturepane.h"
#include "ui/resources.h"
#include "ui/waitcursor.h"

#include <QGuiApplication>
#include <QHeaderView>

namespace {

constexpr int kPathRole = Qt::UserRole;
const QString kModels[] = {QStringLiteral("T39"), QStringLiteral("T68")};

bool isModelName(const QString& path) {
    for (const QString& model : kModels)
        if (path == model)
            return true;
    return false;
}


} // namespace

CImageLeft::CImageLeft(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("imageLeft"));
    setAccessibleName(QStringLiteral("Picture files"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    // Items are placed in order as they are inserted; the tree never re-sorts on its own.
    setSortingEnabled(false);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onSelChanged(current); });
}

void CImageLeft::SetRightPane(CPicturePane* right) { m_pRightPane = right; }

CPicturePane* CImageLeft::RightPane() const { return m_pRightPane; }

QString CImageLeft::ItemPath(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toString() : QString();
}

QTreeWidgetItem* CImageLeft::ModelItem(const QString& model) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (ItemPath(topLevelItem(i)) == model)
            return topLevelItem(i);
    return nullptr;
}

void CImageLeft::OnInitialUpdate() {
    setRootIsDecorated(true);
    // The selection stays visible while the focus is in the right pane.
    setStyleSheet(QStringLiteral("QTreeView::item:selected:!active { background: palette(highlight);"
                                 " color: palette(highlighted-text); }"));
    const pictures::PictureDir dir = pictures::ReadPictureDir();
    m_folderProblem = dir.ok ? QString() : dir.problem;
    bool anyFolder = false;
    for (const QString& model : kModels)
        anyFolder = fillModelFolder(model, insertModel(model), dir.ok, dir.path) || anyFolder;
    // One model's folder is enough: a missing one for a phone the user does not have is no fault.
    if (anyFolder)
        m_folderProblem.clear();
}

QTreeWidgetItem* CImageLeft::insertModel(const QString& model) {
    auto* item = new QTreeWidgetItem(QStringList{model});
    QIcon icon;
    icon.addPixmap(ui::ResourceIcon(ui::IDI_BOOK_CLOSED).pixmap(16, 16), QIcon::Normal, QIcon::Off);
    icon.addPixmap(ui::ResourceIcon(ui::IDI_BOOK_OPEN).pixmap(16, 16), QIcon::Selected, QIcon::Off);
    item->setIcon(0, icon);
    item->setData(0, kPathRole, model);
    m_itemPaths.append(model);
    int at = 0;
    while (at < topLevelItemCount() && pictures::PictureNameLess(topLevelItem(at)->text(0), model))
        ++at;
    insertTopLevelItem(at, item);
    item->setExpanded(false);
    return item;
}

bool CImageLeft::fillModelFolder(const QString& model, QTreeWidgetItem* modelItem, bool folderKnown,
                                 const QString& dir) {
    // Without the registry value there is no folder to look in, and no guessing one.
    if (!folderKnown)
        return false;
    const QString folder = dir + u'/' + model;
    const pictures::ModelFolder listing = pictures::ReadModelFolder(folder);
    if (!listing.exists) {
        if (m_folderProblem.isEmpty())
            m_folderProblem = QStringLiteral("the picture folder %1 does not exist").arg(folder);
        return false;
    }
    const QIcon entryIcon = ui::ResourceIcon(ui::IDI_PHONEBOOK_ENTRY);
    for (const QString& name : listing.entries) {
        const QString path = folder + u'/' + name;
        m_itemPaths.append(path);
        const QString shown = pictures::ShownFileName(name);
        auto* item = new QTreeWidgetItem(QStringList{shown});
        item->setToolTip(0, shown); // the pane is narrow; the whole name is one hover away
        item->setIcon(0, entryIcon);
        item->setData(0, kPathRole, path);
        modelItem->addChild(item);
    }
    return true;
}

void CImageLeft::onSelChanged(QTreeWidgetItem* item) {
    if (!item)
        return;
    const QString path = ItemPath(item);
    if (isModelName(path) || !m_pRightPane)
        return;
    m_pRightPane->SetPicture(path);
}

void CImageLeft::OnUpload() {
    if (!m_pRightPane)
        return;
    ui::WaitCursor wait;
    m_pRightPane->OnUpload();
}
