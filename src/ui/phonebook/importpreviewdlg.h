#pragma once
// The preview of an import (or a restore) before anything is written: one row per entry with its
// name, number, target storage and verdict (new, already on the phone, changed, will not fit and
// why); the target storage and what to do with each class are chosen here. The plan is made
// outside (Qt-free); the dialog asks for a new one when the target changes.
#include <QDialog>

#include <functional>
#include <vector>

#include "contacts/link/phonecopy.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

struct ImportPreviewChoice {
    uint8_t storage = 0;  // 0: where each contact says, else the phone memory
    contacts::ImportChoices choices;
    bool dryRun = false;
};

class CImportPreviewDlg : public QDialog {
    Q_OBJECT
public:
    using Planner = std::function<std::vector<contacts::StoragePlan>(uint8_t storage)>;
    // `storageChoice`: false when the target is fixed (a restore goes where the backup says).
    CImportPreviewDlg(Planner planner, const QString& title, bool storageChoice, QWidget* parent = nullptr);

    // A copy between the storages: the target shown and fixed.
    void FixStorage(uint8_t storage);

    ImportPreviewChoice Choice() const;
    const std::vector<contacts::StoragePlan>& Plans() const { return m_plans; }
    QTableWidget* Table() const { return m_table; }
    // What would be written with the choices as they stand: "12 entries would be added, ...".
    QString WouldWriteSentence() const;

private:
    void replan();
    void showCounts();

    Planner m_planner;
    std::vector<contacts::StoragePlan> m_plans;
    QComboBox* m_storage = nullptr;
    QCheckBox* m_addNew = nullptr;
    QCheckBox* m_updateChanged = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_counts = nullptr;
    bool m_dryRun = false;
};
