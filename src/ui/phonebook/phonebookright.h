#pragma once
// The entry list: one row per entry of the selected storage, "Pos", "Name" (with the number's
// kind as a label) and "Number". A heading click sorts; a right-click on a row offers the entry
// actions, which go to the phone at once and then rebuild the list from the phone link.
#include "listsort.h"

#include <QTableWidget>

#include <cstdint>

class CPhonebookLeft;
class CPhoneLink;
class CMainFrame;
class QMenu;
struct PhonebookEntry;

class CPhonebookRight : public QTableWidget {
    Q_OBJECT
public:
    explicit CPhonebookRight(QWidget* parent = nullptr);

    void OnInitialUpdate();
    void SetTree(CPhonebookLeft* tree) { m_tree = tree; }

    // Rebuilds every row from the phone link's entries of storage 1 (phone memory) or 2 (SIM), in
    // the link's order; any other value leaves the rows as they are.
    void Fill(int storage);
    // The entry a row stands for.
    PhonebookEntry* EntryAt(int row) const;

    // Header click: only the left button sorts.
    void OnHeaderClick(int column, Qt::MouseButton button);
    // Right-click at a viewport position; opens menu 134 at globalPos when it hit a row.
    void OnListRightClick(const QPoint& viewportPos, const QPoint& globalPos);

    static bool HandlesEntryCommand(int commandId);
    void OnCommand(int commandId);
    void OnEntryDelete();
    void OnEntryModify();
    void OnEntryAdd();
    void OnEntrySms();
    // Undo of a delete: writes the kept texts back to the phone.
    static void RestoreDeleted(CMainFrame* frame, const PhonebookEntry& kept);

    PhonebookEntry* SelectedEntry() const { return m_selectedEntry; }

    // The process-wide sort state; tests start from the run's initial state.
    static const phonebook::SortState& SortState() { return s_sortState; }
    static void ResetSortState() { s_sortState = {}; }

    static constexpr int kPopupMenuId = 134;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Rows are chosen whole, so Home and End go to the first and last entry, as in a list; a
    // table's own Home and End would only move between the cells of one row.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    CMainFrame* frame() const;
    // m_selectedEntry if the phone link still lists it; a record freed by a re-read is never
    // touched through a stale row.
    PhonebookEntry* liveSelectedEntry() const;
    void setRow(int row, PhonebookEntry* entry);
    // Puts a failure on the status line; true when there was one.
    void reportRefusal(bool ok, const QString& action);

    static inline phonebook::SortState s_sortState;

    CPhonebookLeft* m_tree = nullptr;
    PhonebookEntry* m_selectedEntry = nullptr;
    QString m_cellText;
};
