// The melody form on the demo phone: one read per run, sounds 31..38 at the slider's level,
// writes under the record's own index, and what the form shows when the phone refuses or lists
// fewer than eight melodies.
#include "viewharness.h"

#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/melodyview.h"
#include "ui/melody/registration.h"
#include "ui/sms/registration.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using viewtest::ViewHarness;

namespace {

// The demo phone, with its melodies listed in an order whose indexes differ from the entries.
phonesim::PhoneState ShuffledMelodies() {
    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    std::swap(state.melodies[0], state.melodies[4]);
    return state;
}

phonesim::PhoneState FewMelodies(int count) {
    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    state.melodies.resize(static_cast<size_t>(count));
    return state;
}

std::string PhoneText(const phonesim::PhoneState& state, int index) {
    for (const auto& melody : state.melodies)
        if (melody.index == index)
            return melody.text;
    return "<none>";
}

} // namespace

class MelodyViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstViewReadsMelodiesOnce();
    void playSendsEntrySoundAtSliderLevel_data();
    void playSendsEntrySoundAtSliderLevel();
    void modifyKeepsNewTextWithoutReadingAgain();
    void modifyWritesUnderRecordsOwnIndex();
    void setDefaultSendsEntrySound_data();
    void setDefaultSendsEntrySound();
    void entryWithoutRecordShowsEmptyAndWritesNothing();
    void refusedWriteShowsReasonAndPhoneText_data();
    void refusedWriteShowsReasonAndPhoneText();
    void typedComboTextSendsNothing();

private:
    std::unique_ptr<ViewHarness> Open(phonesim::PhoneState state = phonesim::PhoneState::Demo());
    static void Select(CMelodyView* view, int entry) { view->MelodyCombo()->setCurrentIndex(entry); }
    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

void MelodyViewTest::initTestCase() {
    RegisterMelodyView();
    RegisterSmsView();
}

std::unique_ptr<ViewHarness> MelodyViewTest::Open(phonesim::PhoneState state) {
    auto harness = std::make_unique<ViewHarness>(std::move(state));
    QString why;
    if (!harness->Start(&why))
        qFatal("cannot start the phone: %s", qPrintable(why));
    harness->Frame()->OnCommand(ui::ID_SHOW_MELODIES);
    return harness;
}

void MelodyViewTest::firstViewReadsMelodiesOnce() {
    auto phone = Open();
    auto* view = phone->Current<CMelodyView>();
    QVERIFY(view);
    const QStringList& log = phone->StatusLog();
    const auto reading = log.indexOf(QStringLiteral("Reading melodies..."));
    QVERIFY2(reading >= 0, qPrintable(log.join(u'|')));
    QCOMPARE(log.indexOf(QStringLiteral("Finishing reading melodies")), reading + 1);

    QCOMPARE(view->MelodyCombo()->count(), 8);
    QCOMPARE(view->MelodyCombo()->itemText(7), QStringLiteral("Melody 8"));
    QCOMPARE(view->MelodyCombo()->currentText(), QStringLiteral("Melody 1"));
    QCOMPARE(view->LevelSlider()->minimum(), 3);
    QCOMPARE(view->LevelSlider()->maximum(), 7);
    QCOMPARE(view->LevelSlider()->value(), 3);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("c4d4e4f4g2g2a4a4a4a4g1"));

    // Away and back: a new form, starting afresh from the link's list, without asking the phone.
    view->LevelSlider()->setValue(6);
    Select(view, 3);
    phone->Frame()->OnCommand(ui::ID_SHOW_SMS);
    phone->Frame()->OnCommand(ui::ID_SHOW_MELODIES);
    view = phone->Current<CMelodyView>();
    QVERIFY(view);
    QCOMPARE(view->LevelSlider()->value(), 3);
    QCOMPARE(view->MelodyCombo()->currentIndex(), 0);
    QCOMPARE(phone->Commands(QStringLiteral("AT*ESOM?")).size(), 1);
    QCOMPARE(log.count(QStringLiteral("Reading melodies...")), 1);
}

void MelodyViewTest::playSendsEntrySoundAtSliderLevel_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("command");
    QTest::newRow("Melody 8 at the start level") << 7 << 3 << "AT*ERIP=3,38";
    QTest::newRow("Melody 1 at the top level") << 0 << 7 << "AT*ERIP=7,31";
    QTest::newRow("Melody 5 (listed first) plays as 35") << 4 << 5 << "AT*ERIP=5,35";
    QTest::newRow("slider pushed below its range") << 1 << 0 << "AT*ERIP=3,32";
    QTest::newRow("slider pushed above its range") << 2 << 12 << "AT*ERIP=7,33";
}

void MelodyViewTest::playSendsEntrySoundAtSliderLevel() {
    QFETCH(int, entry);
    QFETCH(int, slider);
    QFETCH(QString, command);
    // The sound follows the entry, never the index the phone listed the melody under.
    auto phone = Open(ShuffledMelodies());
    auto* view = phone->Current<CMelodyView>();
    Select(view, entry);
    view->LevelSlider()->setValue(slider);
    Click(view->PlayButton());
    QCOMPARE(phone->Commands(QStringLiteral("AT*ERIP=")), QStringList{command});
    const auto state = phone->Snapshot();
    QCOMPARE(QStringLiteral("AT*ERIP=%1,%2").arg(state.lastPlayedLevel).arg(state.lastPlayedSound), command);
    QVERIFY2(phone->Status().startsWith(QStringLiteral("Playing Melody")), qPrintable(phone->Status()));
}

void MelodyViewTest::modifyKeepsNewTextWithoutReadingAgain() {
    auto phone = Open();
    auto* view = phone->Current<CMelodyView>();
    Select(view, 2);
    view->MelodyEdit()->clear();
    QTest::keyClicks(view->MelodyEdit(), QStringLiteral("c8 e8 g8 C2"));
    Click(view->ModifyButton());
    QCOMPARE(PhoneText(phone->Snapshot(), 3), std::string("c8 e8 g8 C2"));
    QCOMPARE(phone->Status(), QStringLiteral("Melody 3 written to the phone"));

    Select(view, 0);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("c4d4e4f4g2g2a4a4a4a4g1"));
    Select(view, 2);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("c8 e8 g8 C2"));

    phone->Frame()->OnCommand(ui::ID_SHOW_SMS);
    phone->Frame()->OnCommand(ui::ID_SHOW_MELODIES);
    view = phone->Current<CMelodyView>();
    Select(view, 2);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("c8 e8 g8 C2"));
    QCOMPARE(phone->Commands(QStringLiteral("AT*ESOM?")).size(), 1);
}

void MelodyViewTest::modifyWritesUnderRecordsOwnIndex() {
    auto phone = Open(ShuffledMelodies());
    auto* view = phone->Current<CMelodyView>();
    // Entry 0 holds the record the phone listed first: index 5.
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("a8p8a8p8a4 +c4 -a4"));
    view->MelodyEdit()->setPlainText(QStringLiteral("g4"));
    Click(view->ModifyButton());
    QCOMPARE(phone->Commands(QStringLiteral("AT*ESOM=")), QStringList{QStringLiteral("AT*ESOM=5,\"g4\",0")});
    QCOMPARE(PhoneText(phone->Snapshot(), 5), std::string("g4"));
    QCOMPARE(PhoneText(phone->Snapshot(), 1), std::string("c4d4e4f4g2g2a4a4a4a4g1"));
}

void MelodyViewTest::setDefaultSendsEntrySound_data() {
    QTest::addColumn<int>("entry");
    QTest::newRow("Melody 1") << 0;
    QTest::newRow("Melody 4") << 3;
    QTest::newRow("Melody 8") << 7;
}

void MelodyViewTest::setDefaultSendsEntrySound() {
    QFETCH(int, entry);
    auto phone = Open(ShuffledMelodies());
    auto* view = phone->Current<CMelodyView>();
    Select(view, entry);
    Click(view->SetDefaultButton());
    QCOMPARE(phone->Commands(QStringLiteral("AT*ERIN=")), QStringList{QStringLiteral("AT*ERIN=%1").arg(31 + entry)});
    QCOMPARE(phone->Snapshot().ringSound, 31 + entry);
    QCOMPARE(phone->Status(), QStringLiteral("Melody %1 is now the ring signal").arg(entry + 1));
}

void MelodyViewTest::entryWithoutRecordShowsEmptyAndWritesNothing() {
    auto phone = Open(FewMelodies(5));
    auto* view = phone->Current<CMelodyView>();
    Select(view, 6);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QString());

    QTest::keyClicks(view->MelodyEdit(), QStringLiteral("c4"));
    Click(view->ModifyButton());
    QVERIFY(phone->Commands(QStringLiteral("AT*ESOM=")).isEmpty());
    QVERIFY2(phone->Status().contains(QStringLiteral("only 5 melodies")), qPrintable(phone->Status()));
    QCOMPARE(phone->Snapshot().melodies.size(), size_t(5));

    // Playing and the ring signal do not depend on the records.
    Click(view->PlayButton());
    Click(view->SetDefaultButton());
    QCOMPARE(phone->Commands(QStringLiteral("AT*ERIP=")), QStringList{QStringLiteral("AT*ERIP=3,37")});
    QCOMPARE(phone->Commands(QStringLiteral("AT*ERIN=")), QStringList{QStringLiteral("AT*ERIN=37")});

    // A phone with no melodies at all: the first entry is empty too, and nothing crashes.
    auto bare = Open(FewMelodies(0));
    view = bare->Current<CMelodyView>();
    QCOMPARE(view->MelodyEdit()->toPlainText(), QString());
    Click(view->ModifyButton());
    QVERIFY(bare->Commands(QStringLiteral("AT*ESOM=")).isEmpty());
}

void MelodyViewTest::refusedWriteShowsReasonAndPhoneText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("reachesPhone");
    QTest::addColumn<QString>("reason");
    // The phone's own limit is 40 characters, blanks included.
    QTest::newRow("too long for the phone") << QString(41, u'c') << "" << true << "not written: ";
    QTest::newRow("phone answers ERROR") << "g4" << "error" << true << "not written: ";
    QTest::newRow("phone silent") << "g4" << "silent" << true << "not written: ";
    QTest::newRow("double quote") << "c4\"d4" << "" << false << "double quotes";
    QTest::newRow("line break") << "c4\nd4" << "" << false << "printable ASCII";
    // Longer than a record holds: refused by the form itself.
    QTest::newRow("longer than a record") << QString(128, u'c') << "" << false << "at most 127";
}

void MelodyViewTest::refusedWriteShowsReasonAndPhoneText() {
    QFETCH(QString, text);
    QFETCH(QString, fault);
    QFETCH(bool, reachesPhone);
    QFETCH(QString, reason);
    auto phone = Open();
    if (!fault.isEmpty()) {
        phonesim::FaultRule rule;
        QVERIFY(phonesim::ParseFaultAction(fault.toStdString(), &rule.action, &rule.code));
        rule.commandPrefix = "AT*ESOM=";
        phone->Phone()->AddFault(rule);
    }
    auto* view = phone->Current<CMelodyView>();
    Select(view, 1);
    view->MelodyEdit()->setPlainText(text);
    Click(view->ModifyButton());

    // A refused write is tried once more in the two-field form some phones want.
    const auto writes = phone->Commands(QStringLiteral("AT*ESOM=")).size();
    QVERIFY2(reachesPhone ? (writes == 1 || writes == 2) : writes == 0, qPrintable(QString::number(writes)));
    QVERIFY2(phone->Status().contains(reason), qPrintable(phone->Status()));
    QVERIFY2(phone->Status().startsWith(QStringLiteral("Melody 2 not written")) || !reachesPhone,
             qPrintable(phone->Status()));
    const std::string held = "e8e8e4e8e8e4e8g8c8d8e2";
    QCOMPARE(PhoneText(phone->Snapshot(), 2), held);
    // Once the phone was asked the edit shows what it holds; a text refused before sending stays
    // for the user to correct.
    QCOMPARE(view->MelodyEdit()->toPlainText(), reachesPhone ? QString::fromStdString(held) : text);
    QCOMPARE(phone->Frame()->PhoneLink()->Melodies()[1]->text, held);
}

void MelodyViewTest::typedComboTextSendsNothing() {
    auto phone = Open();
    auto* view = phone->Current<CMelodyView>();
    Select(view, 2);
    // A label that is not listed, and a listed one typed but not chosen: the edit still shows
    // Melody 3, so writing it anywhere else would be wrong.
    for (const QString& typed : {QStringLiteral("Melody 9"), QStringLiteral("Melody 5")}) {
        view->MelodyCombo()->lineEdit()->setText(typed);
        Click(view->PlayButton());
        Click(view->SetDefaultButton());
        Click(view->ModifyButton());
        QVERIFY2(phone->Status().contains(QStringLiteral("choose one of Melody 1 to Melody 8")),
                 qPrintable(phone->Status()));
    }
    QVERIFY(phone->Commands(QStringLiteral("AT*ERIP=")).isEmpty());
    QVERIFY(phone->Commands(QStringLiteral("AT*ERIN=")).isEmpty());
    QVERIFY(phone->Commands(QStringLiteral("AT*ESOM=")).isEmpty());
    QCOMPARE(view->MelodyCombo()->count(), 8);

    // Confirming a listed label chooses it, as picking it from the list does.
    view->MelodyCombo()->lineEdit()->setText(QStringLiteral("Melody 2"));
    QTest::keyClick(view->MelodyCombo()->lineEdit(), Qt::Key_Return);
    QCOMPARE(view->MelodyCombo()->currentIndex(), 1);
    QCOMPARE(view->MelodyEdit()->toPlainText(), QStringLiteral("e8e8e4e8e8e4e8g8c8d8e2"));
    Click(view->PlayButton());
    QCOMPARE(phone->Commands(QStringLiteral("AT*ERIP=")), QStringList{QStringLiteral("AT*ERIP=3,32")});
    QCOMPARE(view->MelodyCombo()->count(), 8);
}

MELODY_SMS_TEST_MAIN(MelodyViewTest)
#include "tst_melodyview.moc"
