#include "importpreviewdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace contacts;

namespace {

QString VerdictText(const PlannedEntry& row) {
    switch (row.verdict) {
    case Verdict::New: return QStringLiteral("new");
    case Verdict::AlreadyThere:
        return row.reason.empty() ? QStringLiteral("already on the phone")
                                  : QStringLiteral("already on the phone (%1)").arg(QString::fromStdString(row.reason));
    case Verdict::Changed:
        return QStringLiteral("changed: position %1 holds it as \"%2\"")
            .arg(row.existingPosition)
            .arg(QString::fromStdString(row.existingName));
    case Verdict::WontFit: return QStringLiteral("will not fit: %1").arg(QString::fromStdString(row.reason));
    }
    return {};
}

} // namespace

CImportPreviewDlg::CImportPreviewDlg(Planner planner, const QString& title, bool storageChoice, QWidget* parent)
    : QDialog(parent), m_planner(std::move(planner)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* storageRow = new QHBoxLayout;
    auto* storageLabel = new QLabel(QStringLiteral("&Target storage:"), this);
    m_storage = new QComboBox(this);
    m_storage->setObjectName(QStringLiteral("targetStorage"));
    m_storage->addItem(QStringLiteral("Where the file says (else the phone memory)"), 0);
    m_storage->addItem(QStringLiteral("SIM card"), kStorageSim);
    m_storage->addItem(QStringLiteral("Phone memory"), kStoragePhone);
    m_storage->setEnabled(storageChoice);
    storageLabel->setBuddy(m_storage);
    storageRow->addWidget(storageLabel);
    storageRow->addWidget(m_storage, 1);
    layout->addLayout(storageRow);

    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Number"), QStringLiteral("Target"),
                                        QStringLiteral("Verdict")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("counts"));
    layout->addWidget(m_counts);
    m_addNew = new QCheckBox(QStringLiteral("&Add the new entries"), this);
    m_addNew->setChecked(true);
    m_updateChanged = new QCheckBox(QStringLiteral("&Overwrite the changed entries with the file's name"), this);
    layout->addWidget(m_addNew);
    layout->addWidget(m_updateChanged);
    auto* note = new QLabel(QStringLiteral("Entries already on the phone and those that will not fit are left as "
                                           "they are; nothing on the phone is deleted."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* import = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    import->setObjectName(QStringLiteral("import"));
    import->setDefault(true);
    QPushButton* dryRun = buttons->addButton(QStringLiteral("&Dry run"), QDialogButtonBox::ActionRole);
    dryRun->setObjectName(QStringLiteral("dryRun"));
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(dryRun, &QPushButton::clicked, this, [this] {
        m_dryRun = true;
        accept();
    });
    connect(m_storage, &QComboBox::currentIndexChanged, this, &CImportPreviewDlg::replan);
    connect(m_addNew, &QCheckBox::toggled, this, &CImportPreviewDlg::showCounts);
    connect(m_updateChanged, &QCheckBox::toggled, this, &CImportPreviewDlg::showCounts);
    resize(720, 420);
    replan();
}

void CImportPreviewDlg::FixStorage(uint8_t storage) {
    m_storage->setCurrentIndex(m_storage->findData(storage)); // replans
    m_storage->setEnabled(false);
}

void CImportPreviewDlg::replan() {
    m_plans = m_planner(static_cast<uint8_t>(m_storage->currentData().toInt()));
    m_table->setRowCount(0);
    for (const StoragePlan& plan : m_plans) {
        for (const PlannedEntry& row : plan.plan.rows) {
            const int r = m_table->rowCount();
            m_table->insertRow(r);
            m_table->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(row.entry.name)));
            m_table->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(row.entry.number)));
            m_table->setItem(r, 2, new QTableWidgetItem(plan.storage == kStorageSim ? QStringLiteral("SIM card")
                                                                                     : QStringLiteral("Phone memory")));
            m_table->setItem(r, 3, new QTableWidgetItem(VerdictText(row)));
        }
    }
    m_table->resizeColumnsToContents();
    showCounts();
}

QString CImportPreviewDlg::WouldWriteSentence() const {
    const int added = m_addNew->isChecked() ? CountRows(m_plans, Verdict::New) : 0;
    const int overwritten = m_updateChanged->isChecked() ? CountRows(m_plans, Verdict::Changed) : 0;
    return QStringLiteral("%1 %2 would be added and %3 overwritten")
        .arg(added)
        .arg(added == 1 ? QStringLiteral("entry") : QStringLiteral("entries"))
        .arg(overwritten);
}

void CImportPreviewDlg::showCounts() {
    m_counts->setText(QStringLiteral("%1 new, %2 already on the phone, %3 changed, %4 will not fit. %5.")
                          .arg(CountRows(m_plans, Verdict::New))
                          .arg(CountRows(m_plans, Verdict::AlreadyThere))
                          .arg(CountRows(m_plans, Verdict::Changed))
                          .arg(CountRows(m_plans, Verdict::WontFit))
                          .arg(WouldWriteSentence()));
}

ImportPreviewChoice CImportPreviewDlg::Choice() const {
    ImportPreviewChoice choice;
    choice.storage = static_cast<uint8_t>(m_storage->currentData().toInt());
    choice.choices.addNew = m_addNew->isChecked();
    choice.choices.updateChanged = m_updateChanged->isChecked();
    choice.dryRun = m_dryRun;
    return choice;
}
