#include "phonebookright.h"

#include "entrylabels.h"
#include "phonebookleft.h"
#include "phonebookview.h"
#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/strings.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>

#include <algorithm>
#include <array>

namespace {

struct Column {
    const char* heading;
    int width;
    Qt::Alignment alignment;
};
constexpr std::array<Column, 3> kColumns{{
    {"Pos", 50, Qt::AlignCenter},
    {"Name", 140, Qt::AlignLeft | Qt::AlignVCenter},
    {"Number", 140, Qt::AlignLeft | Qt::AlignVCenter},
}};

} // namespace

CPhonebookRight::CPhonebookRight(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("phonebookRight"));
    setAccessibleName(QStringLiteral("Phone book entries"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFrameShape(QFrame::StyledPanel);
    verticalHeader()->hide();
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { OnListRightClick(pos, viewport()->mapToGlobal(pos)); });
}

void CPhonebookRight::OnInitialUpdate() {
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setColumnCount(static_cast<int>(kColumns.size()));
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    // The columns keep their template widths; a wider window gives the rest to "Number".
    header->setStretchLastSection(true);
    for (int c = 0; c < columnCount(); ++c) {
        auto* item = new QTableWidgetItem(QString::fromLatin1(kColumns[c].heading));
        item->setTextAlignment(kColumns[c].alignment);
        setHorizontalHeaderItem(c, item);
        setColumnWidth(c, kColumns[c].width);
    }
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { OnHeaderClick(column, Qt::LeftButton); });
}

QModelIndex CPhonebookRight::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if ((action == MoveHome || action == MoveEnd) && rowCount() > 0)
        return model()->index(action == MoveHome ? 0 : rowCount() - 1, currentIndex().isValid() ? currentIndex().column() : 0);
    return QTableWidget::moveCursor(action, modifiers);
}

bool CPhonebookRight::eventFilter(QObject* watched, QEvent* event) {
    // Only the left button sorts; the header would otherwise take any button's press.
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return true;
            break;
        default:
            break;
        }
    }
    return QTableWidget::eventFilter(watched, event);
}

CMainFrame* CPhonebookRight::frame() const { return phonebook::FrameOf(this); }

PhonebookEntry* CPhonebookRight::EntryAt(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? reinterpret_cast<PhonebookEntry*>(cell->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

void CPhonebookRight::setRow(int row, PhonebookEntry* entry) {
    auto cell = [](const QString& text, Qt::Alignment alignment) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(alignment);
        return item;
    };
    m_cellText = QString::number(entry->position);
    QTableWidgetItem* pos = cell(m_cellText, kColumns[0].alignment);
    pos->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry)));
    setItem(row, 0, pos);
    m_cellText = phonebook::DisplayName(QString::fromStdString(entry->name));
    setItem(row, 1, cell(m_cellText, kColumns[1].alignment));
    m_cellText = QString::fromStdString(entry->number);
    setItem(row, 2, cell(m_cellText, kColumns[2].alignment));
}

void CPhonebookRight::Fill(int storage) {
    CMainFrame* f = frame();
    if (!f)
        return;
    f->EnsurePhonebookRead();
    CPhoneLink* link = f->PhoneLink();
    if (link && (storage == kStoragePhone || storage == kStorageSim)) {
        const PhonebookList& entries = link->Entries(static_cast<uint8_t>(storage));
        m_selectedEntry = nullptr;
        clearContents();
        setRowCount(static_cast<int>(entries.size()));
        for (int i = 0; i < static_cast<int>(entries.size()); ++i)
            setRow(i, entries[static_cast<size_t>(i)].get());
    }
    viewport()->repaint();
}

void CPhonebookRight::OnHeaderClick(int column, Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    const bool ascending = s_sortState.Click(column);
    const phonebook::SortKind kind = phonebook::KindForColumn(column);
    if (kind == phonebook::SortKind::None || column < 0 || column >= columnCount())
        return;
    const int signedKind = ascending ? static_cast<int>(kind) : -static_cast<int>(kind);

    // Rows move whole, their entry pointer with them; equal keys keep their current order.
    struct SortItem {
        QString key;
        std::array<QTableWidgetItem*, 3> cells;
    };
    std::vector<SortItem> rows(static_cast<size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r) {
        const QTableWidgetItem* keyCell = item(r, column);
        rows[static_cast<size_t>(r)].key = keyCell ? keyCell->text() : QString();
        for (int c = 0; c < 3; ++c)
            rows[static_cast<size_t>(r)].cells[static_cast<size_t>(c)] = takeItem(r, c);
    }
    std::stable_sort(rows.begin(), rows.end(), [signedKind](const SortItem& a, const SortItem& b) {
        return phonebook::CompareCells(signedKind, a.key, b.key) < 0;
    });
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            setItem(r, c, rows[static_cast<size_t>(r)].cells[static_cast<size_t>(c)]);
}

void CPhonebookRight::OnListRightClick(const QPoint& viewportPos, const QPoint& globalPos) {
    const int row = rowAt(viewportPos.y());
    // On the empty area (an empty storage has nothing else) only Add applies.
    const bool onRow = row >= 0 && columnAt(viewportPos.x()) >= 0;
    if (onRow) {
        m_selectedEntry = EntryAt(row);
        selectRow(row);
    } else {
        m_selectedEntry = nullptr;
        clearSelection();
    }
    const bool canAdd = m_tree && (m_tree->Storage() == kStoragePhone || m_tree->Storage() == kStorageSim);

    QMenu menu(this);
    menu.setObjectName(QStringLiteral("menu%1").arg(kPopupMenuId));
    menu.setTitle(QStringLiteral("Action"));
    const std::pair<int, const char*> items[] = {{ui::ID_ENTRY_DELETE, "&Delete"},
                                                 {ui::ID_ENTRY_MODIFY, "&Modify"},
                                                 {ui::ID_ENTRY_ADD, "&Add"},
                                                 {ui::ID_ENTRY_SMS, "&SMS"}};
    for (const auto& [id, text] : items) {
        QAction* action = menu.addAction(QString::fromLatin1(text));
        action->setData(id);
        action->setStatusTip(ui::Strings::Instance().Load(id).section(u'\n', 0, 0));
        action->setEnabled(id == ui::ID_ENTRY_ADD ? canAdd : onRow);
    }
    // A pop-up menu is a window of its own, so its prompts never reach the frame's status line
    // by themselves.
    CMainFrame* f = frame();
    if (f) {
        connect(&menu, &QMenu::hovered, f,
                [f](QAction* action) { f->statusBar()->showMessage(action->statusTip()); });
        connect(&menu, &QMenu::aboutToHide, f, [f] { f->statusBar()->clearMessage(); });
    }
    QAction* chosen = menu.exec(globalPos);
    if (chosen)
        OnCommand(chosen->data().toInt());
}

bool CPhonebookRight::HandlesEntryCommand(int commandId) {
    return commandId == ui::ID_ENTRY_DELETE || commandId == ui::ID_ENTRY_MODIFY ||
           commandId == ui::ID_ENTRY_ADD || commandId == ui::ID_ENTRY_SMS;
}

void CPhonebookRight::OnCommand(int commandId) {
    switch (commandId) {
    case ui::ID_ENTRY_DELETE: OnEntryDelete(); break;
    case ui::ID_ENTRY_MODIFY: OnEntryModify(); break;
    case ui::ID_ENTRY_ADD: OnEntryAdd(); break;
    case ui::ID_ENTRY_SMS: OnEntrySms(); break;
    default: break;
    }
}
