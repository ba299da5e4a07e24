#include "phonebookleft.h"

#include "phonebookright.h"
#include "phonebooktexts.h"
#include "phonebookview.h"
#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/resources.h"

#include <QHeaderView>

namespace {

// Image 0 (icon 130) for an item that is not selected, image 1 (icon 131) for the selected one.
QIcon storageIcon() {
    QIcon icon;
    const QSize size(16, 16);
    icon.addPixmap(ui::ResourceIcon(ui::IDI_BOOK_CLOSED).pixmap(size), QIcon::Normal);
    icon.addPixmap(ui::ResourceIcon(ui::IDI_BOOK_OPEN).pixmap(size), QIcon::Selected);
    return icon;
}

} // namespace

CPhonebookLeft::CPhonebookLeft(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("phonebookLeft"));
    setAccessibleName(QStringLiteral("Phone book storage"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::StyledPanel);
}

void CPhonebookLeft::OnInitialUpdate() {
    setRootIsDecorated(true);
    setItemsExpandable(true);
    const QIcon icon = storageIcon();
    // Inserted SIM first; the sorted insertion shows them the other way round.
    for (const QString& label : {QStringLiteral("SIM Phonebook"), QStringLiteral("Memory Phonebook")}) {
        auto* item = new QTreeWidgetItem(QStringList{label});
        item->setIcon(0, icon);
        m_labels << label;
        item->setData(0, Qt::UserRole, label);
        addTopLevelItem(item);
    }
    sortItems(0, Qt::AscendingOrder);
    // The selection is what makes the read happen; a focus-in must not make one.
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CPhonebookLeft::OnSelChanged);
}

QTreeWidgetItem* CPhonebookLeft::ItemByLabel(const QString& label) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->data(0, Qt::UserRole).toString() == label)
            return topLevelItem(i);
    return nullptr;
}

int CPhonebookLeft::LabelsWidth() const { return sizeHintForColumn(0) + 2 * frameWidth() + 4; }

void CPhonebookLeft::OnSelChanged() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return;
    CMainFrame* frame = phonebook::FrameOf(this);
    if (!frame)
        return;
    const bool readNow = frame->PhonebookPending();
    frame->EnsurePhonebookRead();

    const QString label = selected.first()->data(0, Qt::UserRole).toString();
    if (label == QLatin1String("SIM Phonebook"))
        m_storage = kStorageSim;
    else if (label == QLatin1String("Memory Phonebook"))
        m_storage = kStoragePhone;
    if (m_list)
        m_list->Fill(m_storage);

    // The frame writes its closing line over whatever the read reported; the reason a storage is
    // empty matters more to the user, so it goes back on the line.
    CPhoneLink* link = frame->PhoneLink();
    if (!link)
        return;
    const QString problem = phonebook::StorageProblemText(static_cast<uint8_t>(m_storage),
                                                          link->StorageError(static_cast<uint8_t>(m_storage)));
    if (!problem.isEmpty())
        frame->SetStatusText(problem.toStdString());
    else if (readNow && !frame->property(phonebook::kReadOutcomeProperty).toString().isEmpty())
        frame->SetStatusText(frame->property(phonebook::kReadOutcomeProperty).toString().toStdString());
}
