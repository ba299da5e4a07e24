// The import preview dialog offscreen: its table per entry, the target storage asking for a new
// plan, the choices per class, and Import / Dry run / Cancel. With HARLUNE_SHOT_DIR set it also
// saves a picture of itself there.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "ui/phonebook/importpreviewdlg.h"

using namespace contacts;

namespace {

std::vector<Contact> FileContacts() {
    return {
        {"Anna", {{"+491711234567", NumberKind::Mobile, 0}, {"030123", NumberKind::Home, 0}}, 0, 0, 2},
        {"Bob", {{"0170555", NumberKind::None, 0}}, kStorageSim, 4, 9},
        {"A name far longer than the SIM takes", {{"0170556", NumberKind::Work, 0}}, 0, 0, 14},
    };
}

// The SIM holds Bob's number under another name; the phone memory holds Anna's home number.
std::vector<StoragePlan> Plan(uint8_t storage) {
    StorageFacts sim, memory;
    sim.storage = kStorageSim;
    sim.entries = {{1, "0170555", kTypeNational, "Robert", kStorageSim}};
    sim.lastPosition = 250;
    sim.nameLength = 18;
    memory.entries = {{3, "030123", kTypeNational, "Anna/H", kStoragePhone}};
    memory.lastPosition = 500;
    memory.nameLength = 24;
    std::vector<StoragePlan> plans;
    const NumberMatcher matcher;
    std::vector<Contact> toSim, toMemory;
    for (const Contact& c : FileContacts())
        ((storage ? storage : c.storage ? c.storage : kStoragePhone) == kStorageSim ? toSim : toMemory).push_back(c);
    if (!toSim.empty())
        plans.push_back({kStorageSim, PlanImport(toSim, sim, matcher)});
    if (!toMemory.empty())
        plans.push_back({kStoragePhone, PlanImport(toMemory, memory, matcher)});
    return plans;
}

} // namespace

class ImportPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void tableShowsEachEntryWithItsVerdict();
    void choicesAndButtons_data();
    void choicesAndButtons();
};

void ImportPreviewTest::tableShowsEachEntryWithItsVerdict() {
    std::vector<uint8_t> asked;
    CImportPreviewDlg dialog([&](uint8_t s) { return asked.push_back(s), Plan(s); }, QStringLiteral("Import contacts"),
                             true);
    dialog.show();
    QTableWidget* table = dialog.Table();
    QCOMPARE(table->rowCount(), 4);
    // SIM first: Bob, changed; then the phone memory in file order.
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Bob"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("SIM card"));
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("changed: position 1 holds it as \"Robert\""));
    QCOMPARE(table->item(1, 3)->text(), QStringLiteral("new"));
    QCOMPARE(table->item(2, 3)->text(), QStringLiteral("already on the phone"));
    QCOMPARE(table->item(3, 3)->text(),
             QStringLiteral("will not fit: the name has 38 characters; this storage holds 24"));
    if (const QByteArray dir = qgetenv("HARLUNE_SHOT_DIR"); !dir.isEmpty())
        QVERIFY(dialog.grab().save(QString::fromLocal8Bit(dir) + "/import-preview.png"));
    // All into the SIM: a new plan, the long name now measured against 18.
    auto* storage = dialog.findChild<QComboBox*>(QStringLiteral("targetStorage"));
    storage->setFocus();
    QTest::keyClick(storage, Qt::Key_Down);
    QCOMPARE(asked, (std::vector<uint8_t>{0, kStorageSim}));
    QCOMPARE(table->rowCount(), 4);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(table->item(r, 2)->text(), QStringLiteral("SIM card"));
    QVERIFY(table->item(3, 3)->text().endsWith(QStringLiteral("this storage holds 18")));
    const QString counts = dialog.findChild<QLabel*>(QStringLiteral("counts"))->text();
    QVERIFY2(counts.startsWith(QStringLiteral("2 new, 0 already")), qPrintable(counts));
}

void ImportPreviewTest::choicesAndButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("dryRun");
    QTest::newRow("import with overwrite") << "import" << true << int(QDialog::Accepted) << false;
    QTest::newRow("dry run") << "dryRun" << false << int(QDialog::Accepted) << true;
    QTest::newRow("escape cancels") << "" << false << int(QDialog::Rejected) << false;
}

void ImportPreviewTest::choicesAndButtons() {
    QFETCH(QString, button);
    QFETCH(bool, overwrite);
    QFETCH(int, result);
    QFETCH(bool, dryRun);
    CImportPreviewDlg dialog(Plan, QStringLiteral("Import contacts"), true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (overwrite) {
        const auto boxes = dialog.findChildren<QCheckBox*>();
        QCheckBox* box = *std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* b) {
            return b->text().startsWith(QStringLiteral("&Overwrite"));
        });
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    }
    const QString counts = dialog.findChild<QLabel*>(QStringLiteral("counts"))->text();
    QVERIFY2(counts.endsWith(overwrite ? QStringLiteral("1 entry would be added and 1 overwritten.")
                                       : QStringLiteral("1 entry would be added and 0 overwritten.")),
             qPrintable(counts));
    if (button.isEmpty())
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(dialog.result(), result);
    const ImportPreviewChoice choice = dialog.Choice();
    QCOMPARE(choice.dryRun, dryRun);
    QCOMPARE(choice.choices.updateChanged, overwrite);
    QVERIFY(choice.choices.addNew);
    QCOMPARE(choice.storage, uint8_t(0));
}

QTEST_MAIN(ImportPreviewTest)
#include "tst_importpreview.moc"
