// The SMS form on the demo phone: what phonesim decodes is what was typed, the counter follows
// the encoder's alphabet and limit, and a text or number that cannot go is refused with a
// reason while both fields keep their contents.
#include "viewharness.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/registration.h"
#include "ui/sms/registration.h"
#include "ui/sms/smsview.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using viewtest::ViewHarness;

namespace {
bool budgetCounts(const QString& counter) { return counter != QStringLiteral("cannot be sent"); }
} // namespace

class SmsViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void toolbarOpensEmptyForm();
    void sentMessageDecodedAsTyped_data();
    void sentMessageDecodedAsTyped();
    void phonebookEntryOpensWithItsNumber();
    void counterAndRefusalAtLimit_data();
    void counterAndRefusalAtLimit();
    void refusalsKeepFieldsAndSayWhy_data();
    void refusalsKeepFieldsAndSayWhy();

private:
    std::unique_ptr<ViewHarness> Open();
};

void SmsViewTest::initTestCase() {
    RegisterMelodyView();
    RegisterSmsView();
}

std::unique_ptr<ViewHarness> SmsViewTest::Open() {
    auto harness = std::make_unique<ViewHarness>();
    QString why;
    if (!harness->Start(&why))
        qFatal("cannot start the phone: %s", qPrintable(why));
    harness->Frame()->OnCommand(ui::ID_SHOW_SMS);
    return harness;
}

void SmsViewTest::toolbarOpensEmptyForm() {
    auto phone = Open();
    auto* view = phone->Current<CSMSView>();
    QVERIFY(view);
    QCOMPARE(view->NumberEdit()->text(), QString());
    QCOMPARE(view->TextEdit()->toPlainText(), QString());
    QCOMPARE(view->CounterLabel()->text(), QStringLiteral("160 left"));
    // The counter sits inside the text's group box, clear of the edit and the button.
    const QRect counter = view->CounterLabel()->geometry();
    QVERIFY(!counter.intersects(view->TextEdit()->geometry()));
    QVERIFY(!counter.intersects(view->SendButton()->geometry()));
}

void SmsViewTest::sentMessageDecodedAsTyped_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("typeOfAddress");
    QTest::addColumn<int>("dataCoding");
    QTest::newRow("plain") << "0701" << "Hello" << "0701" << 129 << 0;
    QTest::newRow("odd digits, two lines") << "12345" << "Hi\nsee you at 8?" << "12345" << 129 << 0;
    QTest::newRow("extension characters") << "+4930555" << "{[~]} 5\u20AC | ^" << "4930555" << 145 << 0;
    QTest::newRow("blanks in the number") << "0170 123 45" << "ok" << "017012345" << 129 << 0;
    QTest::newRow("needs UCS2") << "555" << "\u4F60\u597D \u00A0\u0394" << "555" << 129 << 8;
    QTest::newRow("full 160") << "555" << QString(160, u'x') << "555" << 129 << 0;
    QTest::newRow("empty text") << "555" << "" << "555" << 129 << 0;
}

void SmsViewTest::sentMessageDecodedAsTyped() {
    QFETCH(QString, number);
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QFETCH(int, typeOfAddress);
    QFETCH(int, dataCoding);
    auto phone = Open();
    auto* view = phone->Current<CSMSView>();
    QTest::keyClicks(view->NumberEdit(), number);
    // Typed where the keyboard can type it; the rest goes in as if pasted.
    const bool typeable = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u' ' && c <= u'~'; });
    if (typeable && text.size() < 40)
        QTest::keyClicks(view->TextEdit(), text);
    else
        view->TextEdit()->setPlainText(text);
    QCOMPARE(view->MessageText(), text);
    QTest::mouseClick(view->SendButton(), Qt::LeftButton);

    const auto sent = phone->Snapshot().sent;
    QCOMPARE(sent.size(), size_t(1));
    QCOMPARE(QString::fromStdString(sent[0].text), text);
    QCOMPARE(QString::fromStdString(sent[0].destination), digits);
    QCOMPARE(sent[0].typeOfAddress, typeOfAddress);
    QCOMPARE(sent[0].dataCodingScheme, dataCoding);
    QCOMPARE(phone->Status(), QStringLiteral("Message sent (reference %1)").arg(sent[0].messageReference));
    QCOMPARE(view->NumberEdit()->text(), number);
    QCOMPARE(view->MessageText(), text);

    // The fields stay filled, so the same message goes again at once.
    QTest::mouseClick(view->SendButton(), Qt::LeftButton);
    QCOMPARE(phone->Snapshot().sent.size(), size_t(2));
}

void SmsViewTest::phonebookEntryOpensWithItsNumber() {
    auto phone = Open();
    const auto state = phone->Snapshot();
    for (int position : {1, 4}) { // a national number, then an international one
        const auto& entry = state.sim.entries.at(position);
        const QString number = QString::fromStdString(entry.number);
        phone->Frame()->SwitchToSmsView(number);
        auto* view = phone->Current<CSMSView>();
        QVERIFY(view);
        QCOMPARE(view->NumberEdit()->text(), number);
        QCOMPARE(view->TextEdit()->toPlainText(), QString());
        QTest::keyClicks(view->TextEdit(), QStringLiteral("Call me"));
        QTest::mouseClick(view->SendButton(), Qt::LeftButton);
        const auto last = phone->Snapshot().sent.back();
        QCOMPARE(last.text, std::string("Call me"));
        QCOMPARE(last.typeOfAddress, entry.type);
        QCOMPARE(number.endsWith(QString::fromStdString(last.destination)), true);
    }
    // The toolbar's form after the phone book's starts empty again.
    phone->Frame()->OnCommand(ui::ID_SHOW_MELODIES);
    phone->Frame()->OnCommand(ui::ID_SHOW_SMS);
    QCOMPARE(phone->Current<CSMSView>()->NumberEdit()->text(), QString());
}

void SmsViewTest::counterAndRefusalAtLimit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<bool>("sends");
    QTest::newRow("159 septets") << QString(159, u'a') << "1 left" << true;
    QTest::newRow("160 septets") << QString(160, u'a') << "0 left" << true;
    QTest::newRow("161 septets") << QString(161, u'a') << "1 too many" << false;
    QTest::newRow("80 euro signs are 160 septets") << QString(80, QChar(0x20AC)) << "0 left" << true;
    QTest::newRow("159 letters and a bracket") << QString(159, u'a') + u'[' << "1 too many" << false;
    QTest::newRow("70 UCS2 characters") << QString(70, QChar(0x4F60)) << "0 left (UCS2)" << true;
    QTest::newRow("71 UCS2 characters") << QString(70, QChar(0x4F60)) + u'a' << "1 too many (UCS2)" << false;
    QTest::newRow("outside the basic plane") << QStringLiteral("hi \U0001F600") << "cannot be sent" << false;
}

void SmsViewTest::counterAndRefusalAtLimit() {
    QFETCH(QString, text);
    QFETCH(QString, counter);
    QFETCH(bool, sends);
    auto phone = Open();
    auto* view = phone->Current<CSMSView>();
    view->NumberEdit()->setText(QStringLiteral("555"));
    view->TextEdit()->setPlainText(text);
    QCOMPARE(view->CounterLabel()->text(), counter);
    QTest::mouseClick(view->SendButton(), Qt::LeftButton);
    QCOMPARE(phone->Commands(QStringLiteral("AT+CMGS=")).size(), sends ? 1 : 0);
    QCOMPARE(phone->Snapshot().sent.size(), size_t(sends ? 1 : 0));
    QVERIFY2(phone->Status().startsWith(sends ? QStringLiteral("Message sent") : QStringLiteral("Message not sent: ")),
             qPrintable(phone->Status()));
    QCOMPARE(view->MessageText(), text);

    // Typing one more character moves the counter on; deleting it moves it back.
    if (budgetCounts(counter)) {
        QTest::keyClick(view->TextEdit(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(view->TextEdit(), QStringLiteral("b"));
        QVERIFY(view->CounterLabel()->text() != counter);
        QTest::keyClick(view->TextEdit(), Qt::Key_Backspace);
        QCOMPARE(view->CounterLabel()->text(), counter);
    }
}

void SmsViewTest::refusalsKeepFieldsAndSayWhy_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("reachesPhone");
    QTest::newRow("empty number") << "" << "" << false;
    QTest::newRow("letters in the number") << "12a4" << "" << false;
    QTest::newRow("network refuses") << "555" << "cms=38" << true;
    QTest::newRow("phone says ERROR") << "555" << "error" << true;
}

void SmsViewTest::refusalsKeepFieldsAndSayWhy() {
    QFETCH(QString, number);
    QFETCH(QString, fault);
    QFETCH(bool, reachesPhone);
    auto phone = Open();
    if (!fault.isEmpty()) {
        phonesim::FaultRule rule;
        QVERIFY(phonesim::ParseFaultAction(fault.toStdString(), &rule.action, &rule.code));
        rule.commandPrefix = "AT+CMGS";
        phone->Phone()->AddFault(rule);
    }
    auto* view = phone->Current<CSMSView>();
    view->NumberEdit()->setText(number);
    view->TextEdit()->setPlainText(QStringLiteral("Hello"));
    QTest::mouseClick(view->SendButton(), Qt::LeftButton);
    QCOMPARE(phone->Commands(QStringLiteral("AT+CMGS")).size(), reachesPhone ? 1 : 0);
    QVERIFY(phone->Snapshot().sent.empty());
    QVERIFY2(phone->Status().startsWith(QStringLiteral("Message not sent: ")), qPrintable(phone->Status()));
    QVERIFY(phone->Status().size() > QStringLiteral("Message not sent: ").size());
    QCOMPARE(view->NumberEdit()->text(), number);
    QCOMPARE(view->TextEdit()->toPlainText(), QStringLiteral("Hello"));
}

MELODY_SMS_TEST_MAIN(SmsViewTest)
#include "tst_smsview.moc"
