// The phone book view in a real frame against the emulated phone: reading with the progress
// window, filling, sorting by heading clicks, and the entry actions checked against what the
// phone holds afterwards.
#include <QRegularExpression>
#include "harness.h"

#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/undooffer.h"
#include "ui/messages.h"
#include "ui/phonebook/addentrydlg.h"
#include "ui/phonebook/editentrydlg.h"
#include "ui/phonebook/phonebookleft.h"
#include "ui/phonebook/phonebookright.h"
#include "ui/phonebook/phonebookview.h"
#include "ui/phonebook/readprogressdlg.h"
#include "ui/phonebook/registerphonebook.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

using pbtest::Harness;

namespace {

const QString kSim = QStringLiteral("SIM Phonebook");
const QString kMemory = QStringLiteral("Memory Phonebook");

QStringList column(const CPhonebookRight* list, int c) {
    QStringList cells;
    for (int r = 0; r < list->rowCount(); ++r)
        cells << (list->item(r, c) ? list->item(r, c)->text() : QString());
    return cells;
}

// A SIM whose order by position, number and name all differ.
phonesim::PhoneState sortingState() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[1] = {"+4930 5", 145, "bob/M"};
    state.sim.entries[2] = {"0170", 129, "Anna/H"};
    state.sim.entries[10] = {"12", 129, "anna/M"};
    state.sim.entries[11] = {"", 129, "Zed"};
    state.sim.entries[3] = {"99999999999999", 129, "Carl"};
    return state;
}

void clickHeader(CPhonebookRight* list, int c, Qt::MouseButton button = Qt::LeftButton) {
    QHeaderView* header = list->horizontalHeader();
    const QPoint pos(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), button, {}, pos);
}

void rightClickAt(CPhonebookRight* list, QPoint pos) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list->viewport(), &event);
}

void rightClickRow(CPhonebookRight* list, int row) {
    list->scrollToItem(list->item(row, 1));
    rightClickAt(list, list->visualItemRect(list->item(row, 1)).center());
}

// Picks a menu item by its text once the pop-up shows.
QPointer<QTimer> chooseFromMenu(const QString& text, bool* shown = nullptr) {
    return pbtest::WhenShown("QMenu", [text, shown](QWidget* widget) {
        auto* menu = static_cast<QMenu*>(widget);
        if (shown)
            *shown = true;
        for (QAction* action : menu->actions())
            if (action->text() == text)
                menu->setActiveAction(action);
        QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
    });
}

// Fills an entry dialog and presses its confirm button; records what it opened with.
QPointer<QTimer> answerEntryDialog(const char* className, QString name, QString number,
                                   QStringList* openedWith = nullptr) {
    return pbtest::WhenShown(className, [=](QWidget* widget) {
        auto* dlg = static_cast<CEntryDlg*>(widget);
        if (openedWith)
            *openedWith = {dlg->windowTitle(), dlg->NameEdit()->text(), dlg->NumberEdit()->text()};
        dlg->NameEdit()->setText(name);
        dlg->NumberEdit()->setText(number);
        QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
    });
}

int commandsLike(const phonesim::Phone& phone, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : phone.CommandLog())
        n += line.rfind(prefix, 0) == 0;
    return n;
}

} // namespace

class PhonebookTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstSelectionReadsBehindProgressWindow();
    void laterSelectionsAndViewsFillWithoutReading();
    void progressWindowIgnoresEnterAndEscape();
    void lostConnectionShowsFailureLine();
    void refusedStorageShowsReasonOtherStillShows();
    void headingClicksSort();
    void sortStateOutlivesView();
    void emptyAreaOffersOnlyAdd();
    void addGoesToShownStorage();
    void modifyOpensWithStoredName();
    void modifyRefusedKeepsWhatPhoneHolds();
    void dialogRefusesUnstorableTexts();
    void dialogHoldsToDeclaredLengths();
    void deleteRemovesExactlyThatEntryAndUndoRestoresIt();
    void smsOpensFormWithNumber();
    void copyBetweenStoragesThenMove();

private:
    std::unique_ptr<Harness> m_harness;
    QList<CReadProgressDlg*> m_progressShown;
    QStringList m_barLog;
    QStringList m_messages;
};

void PhonebookTest::init() {
    CPhonebookRight::ResetSortState();
    m_progressShown.clear();
    m_barLog.clear();
    m_messages.clear();
    ui::SetMessageHook([this](const QString& text) { m_messages << text; });
    CReadProgressDlg::SetShownHook([this](CReadProgressDlg* dlg) {
        m_progressShown << dlg;
        for (auto [bar, name] : {std::pair{dlg->SimBar(), "sim"}, std::pair{dlg->PhoneBar(), "phone"}})
            connect(bar, &QProgressBar::valueChanged, this,
                    [this, name](int value) { m_barLog << QStringLiteral("%1 %2").arg(name).arg(value); });
    });
}

void PhonebookTest::cleanup() {
    m_harness.reset();
    CReadProgressDlg::SetShownHook({});
    ui::SetMessageHook({});
}

void PhonebookTest::firstSelectionReadsBehindProgressWindow() {
    m_harness = std::make_unique<Harness>();
    QVERIFY(m_harness->Started());
    CPhonebookView* view = m_harness->ShowPhonebook();
    QVERIFY(view);
    CPhonebookLeft* tree = view->Left();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), kMemory);
    QCOMPARE(tree->topLevelItem(1)->text(0), kSim);
    QVERIFY(tree->selectedItems().isEmpty());
    QCOMPARE(view->Right()->rowCount(), 0);
    QCOMPARE(view->Right()->columnCount(), 3);
    QCOMPARE(view->Right()->columnWidth(0), 50);
    QCOMPARE(view->Right()->columnWidth(1), 140);

    m_harness->Select(kSim);
    QCOMPARE(m_progressShown.size(), 1);
    // The SIM bar fills (in steps, one or more per chunk read) before the phone-memory bar starts.
    const qsizetype firstPhone = m_barLog.indexOf(QRegularExpression("phone .*"));
    QVERIFY(firstPhone > 0);
    QCOMPARE(m_barLog.at(firstPhone - 1), QStringLiteral("sim 10"));
    QCOMPARE(m_barLog.last(), QStringLiteral("phone 10"));
    for (qsizetype i = 0; i < m_barLog.size(); ++i)
        QVERIFY2(m_barLog.at(i).startsWith(i < firstPhone ? "sim " : "phone "), qPrintable(m_barLog.join(',')));
    QCOMPARE(m_harness->Frame()->StatusText(), QStringLiteral("Finishing reading phone book"));
    QCOMPARE(tree->Storage(), 2);
    CPhonebookRight* list = view->Right();
    QCOMPARE(list->rowCount(), 30);
    QCOMPARE(list->item(0, 0)->text(), QStringLiteral("1"));
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("Anna<Mobile>"));
    // ISO 8859-1 on the phone, shown as the letters it stands for.
    QCOMPARE(list->item(9, 1)->text(), QStringLiteral("Jürgen<Home>"));
    QCOMPARE(list->item(3, 2)->text(), QString::fromStdString(m_harness->Phone().Snapshot().sim.entries.at(4).number));
}

void PhonebookTest::laterSelectionsAndViewsFillWithoutReading() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kMemory);
    QCOMPARE(m_progressShown.size(), 1);
    QCOMPARE(m_harness->View()->Right()->rowCount(), 60);
    m_harness->Phone().ClearCommandLog();

    m_harness->Select(kSim);
    QCOMPARE(m_harness->View()->Right()->rowCount(), 30);

    m_harness->Frame()->OnCommand(ui::ID_SHOW_MELODIES);
    CPhonebookView* view = m_harness->ShowPhonebook();
    QVERIFY(view);
    QVERIFY(view->Left()->selectedItems().isEmpty());
    QCOMPARE(view->Right()->rowCount(), 0);
    m_harness->Select(kMemory);
    QCOMPARE(view->Right()->rowCount(), 60);
    QCOMPARE(m_progressShown.size(), 1);
    QVERIFY(m_harness->Phone().CommandLog().empty());
}

void PhonebookTest::progressWindowIgnoresEnterAndEscape() {
    CReadProgressDlg::SetShownHook([this](CReadProgressDlg* dlg) {
        m_progressShown << dlg;
        QVERIFY(dlg->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!(dlg->windowFlags() & Qt::WindowTitleHint));
        QPointer<CReadProgressDlg> guard(dlg);
        QTimer::singleShot(0, dlg, [guard] {
            QTest::keyClick(guard, Qt::Key_Escape);
            QTest::keyClick(guard, Qt::Key_Return);
        });
    });
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    QCOMPARE(m_progressShown.size(), 1);
    QCOMPARE(m_harness->View()->Right()->rowCount(), 30);
}

void PhonebookTest::lostConnectionShowsFailureLine() {
    m_harness = std::make_unique<Harness>();
    m_harness->Phone().AddFault({"AT+CSCS", phonesim::FaultAction::HangupBefore, 0, -1});
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    QCOMPARE(m_progressShown.size(), 1);
    QVERIFY(m_barLog.isEmpty());
    QCOMPARE(m_harness->Frame()->StatusText(), CReadProgressDlg::FailureLine());
    QCOMPARE(m_harness->View()->Right()->rowCount(), 0);
}

void PhonebookTest::refusedStorageShowsReasonOtherStillShows() {
    m_harness = std::make_unique<Harness>();
    m_harness->Phone().AddFault({"AT+CPBS=\"SM\"", phonesim::FaultAction::CmeError, 10, -1});
    m_harness->ShowPhonebook();
    m_harness->Select(kMemory);
    QCOMPARE(m_harness->View()->Right()->rowCount(), 60);
    QVERIFY2(m_harness->Frame()->StatusText().startsWith("SIM Phonebook could not be read: "),
             qPrintable(m_harness->Frame()->StatusText()));
    QCOMPARE(m_barLog.last(), QStringLiteral("phone 10"));

    m_harness->Frame()->SetStatusText("Ready");
    m_harness->Select(kSim);
    QCOMPARE(m_harness->View()->Right()->rowCount(), 0);
    QVERIFY(m_harness->Frame()->StatusText().startsWith("SIM Phonebook could not be read: "));
}

void PhonebookTest::headingClicksSort() {
    m_harness = std::make_unique<Harness>(sortingState());
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    QCOMPARE(column(list, 0), QStringList({"1", "2", "3", "10", "11"}));

    clickHeader(list, 0);
    QCOMPARE(column(list, 0), QStringList({"1", "2", "3", "10", "11"}));
    clickHeader(list, 0);
    QCOMPARE(column(list, 0), QStringList({"11", "10", "3", "2", "1"}));

    // Leading integer, "+" read as a sign, no digits counting as 0, beyond 32 bits by value.
    clickHeader(list, 2);
    QCOMPARE(column(list, 2), QStringList({"", "12", "0170", "+4930 5", "99999999999999"}));

    clickHeader(list, 1);
    QCOMPARE(column(list, 1), QStringList({"Anna<Home>", "anna<Mobile>", "bob<Mobile>", "Carl", "Zed"}));
    // Rows move whole: the entry behind each row still matches its cells.
    for (int r = 0; r < list->rowCount(); ++r)
        QCOMPARE(list->item(r, 0)->text(), QString::number(list->EntryAt(r)->position));

    // The right button neither sorts nor turns the direction round.
    clickHeader(list, 0, Qt::RightButton);
    clickHeader(list, 1, Qt::RightButton);
    QCOMPARE(column(list, 1), QStringList({"Anna<Home>", "anna<Mobile>", "bob<Mobile>", "Carl", "Zed"}));
    QCOMPARE(CPhonebookRight::SortState().lastColumn, 1);
    QVERIFY(CPhonebookRight::SortState().ascending);
    clickHeader(list, 1);
    QCOMPARE(column(list, 1), QStringList({"Zed", "Carl", "bob<Mobile>", "anna<Mobile>", "Anna<Home>"}));

    // A refill shows the phone link's order again.
    list->Fill(2);
    QCOMPARE(column(list, 0), QStringList({"1", "2", "3", "10", "11"}));

    // Home and End go to the first and last entry, as in a list.
    list->setFocus();
    list->setCurrentCell(1, 1);
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentRow(), list->rowCount() - 1);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentRow(), 0);
}

void PhonebookTest::sortStateOutlivesView() {
    m_harness = std::make_unique<Harness>(sortingState());
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    clickHeader(m_harness->View()->Right(), 1);
    QVERIFY(CPhonebookRight::SortState().ascending);

    m_harness->Frame()->OnCommand(ui::ID_SHOW_PICTURES);
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    clickHeader(list, 1);
    QCOMPARE(column(list, 1), QStringList({"Zed", "Carl", "bob<Mobile>", "anna<Mobile>", "Anna<Home>"}));
    clickHeader(list, 0);
    QCOMPARE(column(list, 0), QStringList({"1", "2", "3", "10", "11"}));
}

void PhonebookTest::emptyAreaOffersOnlyAdd() {
    m_harness = std::make_unique<Harness>(sortingState());
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    QStringList enabled;
    pbtest::WhenShown("QMenu", [&enabled](QWidget* widget) {
        auto* menu = static_cast<QMenu*>(widget);
        for (QAction* action : menu->actions())
            if (action->isEnabled())
                enabled << action->text();
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    const QRect last = list->visualItemRect(list->item(list->rowCount() - 1, 1));
    rightClickAt(list, QPoint(last.center().x(), last.bottom() + 20));
    QCOMPARE(enabled, QStringList{QStringLiteral("&Add")});
    QVERIFY(!list->SelectedEntry());

    // Beside the columns of a row is empty area too; Add from there writes to the shown storage.
    chooseFromMenu(QStringLiteral("&Add"));
    answerEntryDialog("CAddEntryDlg", QStringLiteral("Ada"), QStringLiteral("0301234"));
    rightClickAt(list, QPoint(list->columnViewportPosition(2) + 140 + 20, last.center().y()));
    QCOMPARE(commandsLike(m_harness->Phone(), "AT+CPBW"), 1);
    QCOMPARE(list->rowCount(), int(m_harness->Phone().Snapshot().sim.entries.size()));
}

void PhonebookTest::addGoesToShownStorage() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kMemory);
    CPhonebookRight* list = m_harness->View()->Right();
    QStringList openedWith;
    chooseFromMenu(QStringLiteral("&Add"));
    answerEntryDialog("CAddEntryDlg", QStringLiteral("Zoë Neu/W"), QStringLiteral("+49301234"), &openedWith);
    rightClickRow(list, 2);
    QCOMPARE(openedWith, QStringList({"Add phonebook", "", ""}));

    const phonesim::PhoneState state = m_harness->Phone().Snapshot();
    const auto added = std::find_if(state.memory.entries.begin(), state.memory.entries.end(),
                                    [](const auto& e) { return e.second.name == "Zo\xEB Neu/W"; });
    QVERIFY(added != state.memory.entries.end());
    QCOMPARE(added->second.number, std::string("+49301234"));
    QCOMPARE(added->second.type, 145); // an international number goes out with type 145
    QCOMPARE(state.sim.entries.size(), size_t(30));
    QCOMPARE(list->rowCount(), 61);
    QCOMPARE(list->item(60, 1)->text(), QStringLiteral("Zoë Neu<Work>"));
    QCOMPARE(list->item(60, 0)->text(), QString::number(added->first));
}

void PhonebookTest::modifyOpensWithStoredName() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    QStringList openedWith;
    chooseFromMenu(QStringLiteral("&Modify"));
    answerEntryDialog("CEditEntryDlg", QStringLiteral("Anna"), QStringLiteral("0301111"), &openedWith);
    rightClickRow(list, 0);
    const std::string oldNumber = "01702000000";
    QCOMPARE(openedWith, QStringList({"Edit phonebook", "Anna/M", QString::fromStdString(oldNumber)}));
    phonesim::PhoneState state = m_harness->Phone().Snapshot();
    QCOMPARE(state.sim.entries.at(1).name, std::string("Anna"));
    QCOMPARE(state.sim.entries.at(1).number, std::string("0301111"));
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("Anna"));

    // An international entry keeps its type of address.
    QCOMPARE(state.sim.entries.at(4).type, 145);
    chooseFromMenu(QStringLiteral("&Modify"));
    answerEntryDialog("CEditEntryDlg", QStringLiteral("Dieter/W"), QStringLiteral("+4930777"));
    rightClickRow(list, 3);
    state = m_harness->Phone().Snapshot();
    QCOMPARE(state.sim.entries.at(4).name, std::string("Dieter/W"));
    QCOMPARE(state.sim.entries.at(4).type, 145);
    QCOMPARE(list->item(3, 1)->text(), QStringLiteral("Dieter<Work>"));
}

void PhonebookTest::modifyRefusedKeepsWhatPhoneHolds() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    const phonesim::PhoneState before = m_harness->Phone().Snapshot();
    m_harness->Phone().AddFault({"AT+CPBW=1,", phonesim::FaultAction::CmeError, 20, 1});
    CPhonebookRight* list = m_harness->View()->Right();
    chooseFromMenu(QStringLiteral("&Modify"));
    answerEntryDialog("CEditEntryDlg", QStringLiteral("Other"), QStringLiteral("123"));
    rightClickRow(list, 0);
    QCOMPARE(m_harness->Phone().Snapshot().sim, before.sim);
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("Anna<Mobile>"));
    QVERIFY2(m_harness->Frame()->StatusText().startsWith("The phone refused to change the entry: "),
             qPrintable(m_harness->Frame()->StatusText()));
}

void PhonebookTest::dialogRefusesUnstorableTexts() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    m_harness->Phone().ClearCommandLog();

    struct Attempt {
        const char* dialog;
        const char* item;
        QString name;
        QString number;
    };
    const Attempt attempts[] = {{"CAddEntryDlg", "&Add", QStringLiteral("Euro €"), QStringLiteral("0301")},
                                {"CEditEntryDlg", "&Modify", QString(64, u'x'), QStringLiteral("0301")},
                                {"CEditEntryDlg", "&Modify", QStringLiteral("Bob"), QStringLiteral("0301\"2")}};
    for (const Attempt& attempt : attempts) {
        m_messages.clear();
        bool stillOpen = false;
        chooseFromMenu(QString::fromLatin1(attempt.item));
        pbtest::WhenShown(attempt.dialog, [&](QWidget* widget) {
            auto* dlg = static_cast<CEntryDlg*>(widget);
            dlg->NameEdit()->setText(attempt.name);
            dlg->NumberEdit()->setText(attempt.number);
            QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
            stillOpen = dlg->isVisible();
            dlg->reject();
        });
        rightClickRow(list, 0);
        QVERIFY2(stillOpen, attempt.dialog);
        QCOMPARE(m_messages.size(), 1);
    }
    QCOMPARE(commandsLike(m_harness->Phone(), "AT+CPBW"), 0);
    QCOMPARE(m_harness->Phone().Snapshot().sim.entries.at(1).name, std::string("Anna/M"));
    QCOMPARE(list->rowCount(), 30);
}

// The demo SIM declares 18-character names and the phone memory 24: the dialog refuses past the
// shown storage's own limit, and nothing reaches the phone.
void PhonebookTest::dialogHoldsToDeclaredLengths() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    m_harness->Phone().ClearCommandLog();
    m_messages.clear();

    auto tryAdd = [&](const QString& name, bool* stillOpen) {
        chooseFromMenu(QStringLiteral("&Add"));
        pbtest::WhenShown("CAddEntryDlg", [&, name, stillOpen](QWidget* widget) {
            auto* dlg = static_cast<CEntryDlg*>(widget);
            dlg->NameEdit()->setText(name);
            dlg->NumberEdit()->setText(QStringLiteral("0301"));
            QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
            *stillOpen = dlg->isVisible();
            if (*stillOpen)
                dlg->reject();
        });
        rightClickRow(list, 0);
    };
    bool stillOpen = false;
    tryAdd(QString(19, u's'), &stillOpen);
    QVERIFY(stillOpen);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("at most 18")), qPrintable(m_messages[0]));
    QCOMPARE(commandsLike(m_harness->Phone(), "AT+CPBW"), 0);
    QCOMPARE(list->rowCount(), 30);

    tryAdd(QString(18, u's'), &stillOpen);
    QVERIFY(!stillOpen);
    QCOMPARE(commandsLike(m_harness->Phone(), "AT+CPBW"), 1);
    QCOMPARE(list->rowCount(), 31);
    QCOMPARE(m_messages.size(), 1);
}

void PhonebookTest::deleteRemovesExactlyThatEntryAndUndoRestoresIt() {
    m_harness = std::make_unique<Harness>();
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    CPhonebookRight* list = m_harness->View()->Right();
    const phonesim::PhoneState before = m_harness->Phone().Snapshot();
    QVERIFY(before.sim.entries.count(2) == 1);
    chooseFromMenu(QStringLiteral("&Delete"));
    rightClickRow(list, 1);
    const phonesim::PhoneState state = m_harness->Phone().Snapshot();
    QCOMPARE(state.sim.entries.count(2), size_t(0));
    QCOMPARE(state.sim.entries.size(), size_t(29));
    QCOMPARE(list->rowCount(), 29);
    QCOMPARE(column(list, 0).mid(0, 3), QStringList({"1", "3", "4"}));
    QVERIFY(!list->SelectedEntry());

    // Undo writes the entry back to the phone, into the position it left, and the list shows it.
    CUndoOffer* undo = m_harness->Frame()->UndoOffer();
    QVERIFY(undo->Offered() && undo->isVisible());
    QTest::mouseClick(undo, Qt::LeftButton);
    QVERIFY(!undo->Offered());
    const phonesim::PhoneState after = m_harness->Phone().Snapshot();
    QCOMPARE(after.sim.entries.size(), size_t(30));
    QCOMPARE(after.sim.entries.at(2).name, before.sim.entries.at(2).name);
    QCOMPARE(after.sim.entries.at(2).number, before.sim.entries.at(2).number);
    QCOMPARE(list->rowCount(), 30);
    QVERIFY2(m_harness->Frame()->StatusText().startsWith(QStringLiteral("Restored")),
             qPrintable(m_harness->Frame()->StatusText()));
}

void PhonebookTest::copyBetweenStoragesThenMove() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[1] = {"0170111", 129, "Ann/M"};
    state.sim.entries[2] = {"0170222", 129, "Bob"};
    state.memory.entries[4] = {"0170222", 129, "Bob"};
    m_harness = std::make_unique<Harness>(state);
    m_harness->ShowPhonebook();
    m_harness->Select(kSim);
    // The preview's Import, then Yes to the move: only Ann goes over, both leave the SIM, as the
    // phone memory now holds each of them.
    QString fixedTarget;
    auto preview = pbtest::WhenShown("CImportPreviewDlg", [&](QWidget* dlg) {
        auto* target = dlg->findChild<QComboBox*>(QStringLiteral("targetStorage"));
        fixedTarget = target->isEnabled() ? QString() : target->currentText();
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("import")), Qt::LeftButton);
    });
    auto move = pbtest::WhenShown("QMessageBox", [](QWidget* box) {
        QTest::mouseClick(static_cast<QMessageBox*>(box)->button(QMessageBox::Yes), Qt::LeftButton);
    });
    m_harness->Frame()->OnCommand(ui::ID_FILE_COPY_SIM_TO_PHONE);
    QCOMPARE(fixedTarget, QStringLiteral("Phone memory"));
    const phonesim::PhoneState after = m_harness->Phone().Snapshot();
    QVERIFY(after.sim.entries.empty());
    QCOMPARE(after.memory.entries.size(), size_t{2});
    QCOMPARE(after.memory.entries.at(1).name, std::string("Ann/M"));
    QCOMPARE(m_harness->Frame()->PhoneLink()->Entries(kStoragePhone).size(), size_t{2});
    QVERIFY2(m_harness->Frame()->StatusText().contains(QStringLiteral("Erased 2 of 2 entries from the SIM card.")),
             qPrintable(m_harness->Frame()->StatusText()));
}

void PhonebookTest::smsOpensFormWithNumber() {
    m_harness = std::make_unique<Harness>();
    QString smsNumber;
    m_harness->Frame()->SetViewFactory(ui::VIEW_SMS, [&smsNumber](const ui::ViewArgs& args) {
        smsNumber = args.smsNumber;
        return new CView(args.viewId);
    });
    m_harness->ShowPhonebook();
    m_harness->Select(kMemory);
    CPhonebookRight* list = m_harness->View()->Right();
    const QString number = list->item(4, 2)->text();
    QVERIFY(number.startsWith(u'+'));
    chooseFromMenu(QStringLiteral("&SMS"));
    rightClickRow(list, 4);
    QCOMPARE(m_harness->Frame()->CurrentViewId(), ui::VIEW_SMS);
    QCOMPARE(smsNumber, number);
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    RegisterPhonebookViews();
    // The read starts as soon as the window shows; the second's pause is for people.
    CReadProgressDlg::SetStartDelay(10);
    PhonebookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_phonebook.moc"
