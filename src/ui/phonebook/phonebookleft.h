#pragma once
// The storage tree: "Memory Phonebook" and "SIM Phonebook". Selecting one reads the phone book
// the first time in a run and fills the list with that storage's entries.
#include <QStringList>
#include <QTreeWidget>

#include <cstdint>

class CPhonebookRight;

class CPhonebookLeft : public QTreeWidget {
    Q_OBJECT
public:
    explicit CPhonebookLeft(QWidget* parent = nullptr);

    void OnInitialUpdate();
    void SetList(CPhonebookRight* list) { m_list = list; }

    // 1 phone memory, 2 SIM; 0 until an item was selected.
    int32_t Storage() const { return m_storage; }
    // The item whose label is `label`, for tests and the screenshot driver.
    QTreeWidgetItem* ItemByLabel(const QString& label) const;
    // Width that shows both labels whole, borders included.
    int LabelsWidth() const;

private:
    void OnSelChanged();

    QStringList m_labels;
    CPhonebookRight* m_list = nullptr;
    int32_t m_storage = 0;
};
