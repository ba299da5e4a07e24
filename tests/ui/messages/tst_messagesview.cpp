// The Messages view on the emulated phone: delivered messages appear under the phone book's
// name (national and international forms of one number are one conversation; the view reads the
// books when no view did yet), a message in
// three parts delivered out of order reads as one, a deleted message leaves the phone but stays
// in the archive (and reading again doubles nothing), a full SIM says so, a message arriving
// while the view is open is taken in, and a long reply goes as several messages.
#include "melody/viewharness.h"

#include "phonesim/control.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages/messagesview.h"
#include "ui/messages/registration.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using viewtest::ViewHarness;

namespace {

phonesim::PhoneState StateWithAnna(int simSize = 20) {
    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    state.sim.entries[state.sim.FirstFree()] = {"017011111", 129, "Anna"};
    state.smsSim.size = simSize;
    return state;
}

std::string Deliver(ViewHarness& phone, const std::string& command) {
    phonesim::ControlCommands control(phone.Phone());
    return control.Run(command);
}

const msgview::ConversationEntry* Find(CMessagesView* view, const std::string& digits) {
    for (const auto& c : view->Conversations())
        if (c.number.find(digits) != std::string::npos)
            return &c;
    return nullptr;
}

} // namespace

class MessagesViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void deliveredMessagesAppearAsConversations();
    void deleteKeepsArchivedCopy();
    void fullSimIsShown();
    void newMessageWhileOpen();
    void longReplyGoesAsSeveralMessages();
    void anotherPhoneWhileReading();

private:
    std::unique_ptr<ViewHarness> Open(phonesim::PhoneState state);
};

void MessagesViewTest::initTestCase() {
    RegisterMessagesView();
    CMessagesView::SetWatchInterval(100);
}

void MessagesViewTest::cleanup() {
    CMessagesView::SetComposeHook({});
    // Every test's phone has the same identity: each starts with an empty archive.
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(QString::fromStdString(msgview::ArchivePath() + suffix));
}

std::unique_ptr<ViewHarness> MessagesViewTest::Open(phonesim::PhoneState state) {
    auto harness = std::make_unique<ViewHarness>(std::move(state));
    QString why;
    if (!harness->Start(&why))
        qFatal("cannot start the phone: %s", qPrintable(why));
    return harness;
}

void MessagesViewTest::deliveredMessagesAppearAsConversations() {
    CMessagesView* view = nullptr;
    auto phone = Open(StateWithAnna());
    QVERIFY(Deliver(*phone, "deliver +4917011111 Hello from abroad").starts_with("OK"));
    QVERIFY(Deliver(*phone, "deliver 017011111 and from home").starts_with("OK"));
    std::string longText;
    for (int i = 0; longText.size() < 400; ++i)
        longText += "word" + std::to_string(i) + " ";
    longText.pop_back();
    QVERIFY(
        Deliver(*phone, "deliver-parts +4917022222 3,1,2 " + longText).starts_with("OK stored SM"));

    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QVERIFY(view);
    QTRY_VERIFY(view->ReadDone());

    const auto* anna = Find(view, "17011111");
    QVERIFY(anna);
    QCOMPARE(anna->name, std::string("Anna"));
    QCOMPARE(anna->messages.size(), size_t(2));
    QCOMPARE(anna->unread, 2);
    QCOMPARE(anna->messages[0].state, std::string("unread"));
    const auto* parts = Find(view, "17022222");
    QVERIFY(parts);
    QCOMPARE(parts->messages.size(), size_t(1));
    QCOMPARE(parts->messages[0].text, longText);
    QCOMPARE(parts->messages[0].phoneSlots.size(), size_t(3));
    QCOMPARE(view->ConversationList()->topLevelItemCount(), 2);
    QVERIFY(view->StorageLabel()->text().contains(QStringLiteral("SIM 5 of 20")));
    QVERIFY(view->WarningLabel()->isHidden());
}

void MessagesViewTest::deleteKeepsArchivedCopy() {
    CMessagesView* view = nullptr;
    auto phone = Open(StateWithAnna());
    QVERIFY(Deliver(*phone, "deliver +4917033333 Keep me").starts_with("OK"));
    QVERIFY(Deliver(*phone, "deliver +4917033333 Second").starts_with("OK"));
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->ReadDone());
    QVERIFY(view->DeleteButton()->isEnabled());

    view->MessageList()->setCurrentItem(view->MessageList()->topLevelItem(0));
    QCOMPARE(view->MessageText()->toPlainText(), QStringLiteral("Keep me"));
    QTest::keyClick(view->MessageList(), Qt::Key_Delete);
    QTRY_VERIFY(!view->Busy());
    QCOMPARE(phone->Snapshot().smsSim.messages.size(), size_t(1));
    QVERIFY(phone->Status().contains(QStringLiteral("archive keeps")));
    const auto* c = Find(view, "17033333");
    QCOMPARE(c->messages.size(), size_t(2));
    QCOMPARE(c->messages[0].text, std::string("Keep me"));
    QVERIFY(!c->messages[0].onPhone);
    QVERIFY(c->messages[0].state.ends_with("archived"));

    // Reading again: the same two messages, the deleted one still archived, nothing doubled.
    view->OnRead();
    QTRY_VERIFY(view->ReadDone() && !view->Busy());
    c = Find(view, "17033333");
    QCOMPARE(c->messages.size(), size_t(2));
    QVERIFY(!c->messages[0].onPhone && c->messages[1].onPhone);

    // Move to archive frees the rest of the conversation's slots.
    QTest::mouseClick(view->ArchiveButton(), Qt::LeftButton);
    QTRY_VERIFY(!view->Busy());
    QVERIFY(phone->Snapshot().smsSim.messages.empty());
    QCOMPARE(Find(view, "17033333")->messages.size(), size_t(2));
}

void MessagesViewTest::fullSimIsShown() {
    CMessagesView* view = nullptr;
    auto phone = Open(StateWithAnna(3));
    for (int i = 0; i < 3; ++i)
        QVERIFY(
            Deliver(*phone, "deliver +4917044444 number " + std::to_string(i)).starts_with("OK"));
    QVERIFY(Deliver(*phone, "deliver +4917044444 no room").starts_with("ERROR"));
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->ReadDone());
    QVERIFY(view->StorageLabel()->text().contains(QStringLiteral("SIM 3 of 3")));
    QVERIFY(!view->WarningLabel()->isHidden());
    QVERIFY(view->WarningLabel()->text().contains(QStringLiteral("SIM is full")));
}

void MessagesViewTest::newMessageWhileOpen() {
    CMessagesView* view = nullptr;
    auto phone = Open(StateWithAnna());
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->ReadDone() && !view->Busy());
    QVERIFY(view->Conversations().empty());
    QVERIFY(Deliver(*phone, "deliver +4917011111 Just arrived").starts_with("OK"));
    QTRY_VERIFY(phone->Status().startsWith(QStringLiteral("New message from Anna")));
    QTRY_VERIFY(!view->Busy());
    const auto* anna = Find(view, "17011111");
    QVERIFY(anna && anna->messages.size() == 1 && anna->messages[0].onPhone);

    // In another view the frame's idle watch reads, archives and tells.
    phone->Frame()->OnCommand(ui::ID_SHOW_SMS);
    QVERIFY(Deliver(*phone, "deliver +4917011111 While you were away").starts_with("OK"));
    QTRY_VERIFY_WITH_TIMEOUT(phone->Status().contains(QStringLiteral("New message from +4917011111 (archived)")),
                             10000);
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->ReadDone() && !view->Busy());
    anna = Find(view, "17011111");
    QVERIFY(anna && anna->messages.size() == 2);
}

void MessagesViewTest::longReplyGoesAsSeveralMessages() {
    CMessagesView* view = nullptr;
    auto phone = Open(StateWithAnna());
    QVERIFY(Deliver(*phone, "deliver +4917011111 Call me").starts_with("OK"));
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->ReadDone() && !view->Busy());
    const std::string reply(200, 'x');
    CMessagesView::SetComposeHook([&](const QString& recipient, QString& text) {
        text = QString::fromStdString(reply);
        return recipient.startsWith(QStringLiteral("Anna"));
    });
    QTest::mouseClick(view->ReplyButton(), Qt::LeftButton);
    // Sending: a command that would use the link on the GUI thread waits its turn.
    QVERIFY(view->Busy());
    phone->Frame()->OnCommand(ui::ID_SHOW_PHONEBOOK);
    QCOMPARE(phone->Frame()->CurrentViewId(), ui::VIEW_MESSAGES);
    QVERIFY(phone->Status().contains(QStringLiteral("still busy")));
    QTRY_VERIFY(!view->Busy());
    QCOMPARE(phone->Snapshot().sent.size(), size_t(2));
    QVERIFY(phone->Status().contains(QStringLiteral("as 2 messages")));
    const auto* anna = Find(view, "17011111");
    QCOMPARE(anna->messages.size(), size_t(2));
    QCOMPARE(anna->messages[1].text, reply);
    QVERIFY(!anna->messages[1].incoming);
    // The phone passes the network's delivery reports on; the idle watch matches them.
    QTRY_COMPARE(Find(view, "17011111")->messages[1].delivery, DescribeStatus(0));
}

void MessagesViewTest::anotherPhoneWhileReading() {
    auto phone = Open(StateWithAnna());
    for (int i = 0; i < 10; ++i)
        QVERIFY(
            Deliver(*phone, "deliver +4917011111 number " + std::to_string(i)).starts_with("OK"));
    phone->Frame()->OnCommand(ui::ID_SHOW_MESSAGES);
    auto* view = phone->Current<CMessagesView>();
    QTRY_VERIFY(view->Busy());
    // The link goes while the worker may be in an exchange on it: the view waits for it first.
    phone->Frame()->ForgetPhone();
    QVERIFY(!phone->Frame()->PhoneLink());
    QCOMPARE(phone->Frame()->CurrentViewId(), ui::VIEW_START);
    QTest::qWait(50); // the retired view's queued result arrives and finds no link
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    viewtest::PrepareEnvironment(home);
    // German numbers: "0170..." at home is "+49170..." abroad.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QApplication app(argc, argv);
    MessagesViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagesview.moc"
