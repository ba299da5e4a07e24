// The windows on a real X server with a window manager (run-on-x.sh): what a desktop user does
// with the mouse and keyboard, where the offscreen platform would hide the fault (the clipboard
// of a program that quit, window sizes the window manager applies, a second start).
#include "../melody/viewharness.h"

#include "bluetooth/upload/registerpictures.h"
#include "phonelink/phonelink.h"
#include "ui/colorformview.h"
#include "ui/elidinglabel.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/registration.h"
#include "ui/phonebook/registerphonebook.h"
#include "ui/phonebook/readprogressdlg.h"
#include "ui/singleinstance.h"
#include "ui/sms/registration.h"
#include "ui/sms/smsview.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kViews[] = {ui::VIEW_PHONEBOOK, ui::VIEW_MELODIES, ui::VIEW_SMS, ui::VIEW_PICTURES};

// Child process: owns the clipboard with `text`, says so, and quits, leaving the clipboard
// without an owner (no clipboard manager runs on the test display).
int ownClipboardAndQuit(int argc, char** argv) {
    QApplication app(argc, argv);
    QGuiApplication::clipboard()->setText(QString::fromUtf8(argv[2]));
    std::puts("owned");
    std::fflush(stdout);
    QTimer::singleShot(300, &app, &QCoreApplication::quit);
    return QApplication::exec();
}

// Child process: a second start of the program; exit code 3 when the first answered.
int secondStart(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ui::SingleInstance instance(nullptr);
    return instance.Claim() ? 0 : 3;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pasteFromProgramThatQuitKeepsTheText();
    void windowKeepsItsSizeAcrossViewsAndFormsFillIt();
    void smallWindowScrollsTheForm();
    void statusLineBelongsToTheAction();
    void toolbarButtonsHaveToolTips();
    void escapeDuringPhonebookReadKeepsWhatWasRead();
    void secondStartRaisesTheFirst();

private:
    CMainFrame* frame() const { return m_harness->Frame(); }
    void showAt(QSize size);
    std::unique_ptr<viewtest::ViewHarness> m_harness;
};

void DesktopTest::init() {
    QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb"), "run on an X server (run-on-x.sh)");
    m_harness = std::make_unique<viewtest::ViewHarness>();
    QString why;
    QVERIFY2(m_harness->Start(&why), qPrintable(why));
}

void DesktopTest::cleanup() { m_harness.reset(); }

void DesktopTest::showAt(QSize size) {
    frame()->resize(size);
    frame()->show();
    // A loaded machine may take a while to map the first window.
    QVERIFY(QTest::qWaitForWindowExposed(frame(), 20000));
    QTRY_COMPARE(frame()->size(), size);
}

void DesktopTest::pasteFromProgramThatQuitKeepsTheText() {
    showAt({1000, 750});
    frame()->SwitchView(ui::VIEW_SMS);
    auto* text = frame()->CurrentView()->findChild<QPlainTextEdit*>(QStringLiteral("control1003"));
    auto* number = frame()->CurrentView()->findChild<QLineEdit*>(QStringLiteral("control1004"));
    QVERIFY(text && number);
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("typed "));

    QProcess owner;
    owner.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--own-clipboard"), QStringLiteral("copied")});
    QVERIFY(owner.waitForReadyRead(10000));
    QVERIFY(owner.waitForFinished(10000));
    QCOMPARE(owner.exitCode(), 0);

    // Keyboard, middle button and the context menu: every paste path of both kinds of edit.
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::mouseClick(text->viewport(), Qt::MiddleButton);
    number->setFocus();
    QTest::keyClick(number, Qt::Key_V, Qt::ControlModifier);
    QTimer::singleShot(200, this, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->objectName() == QStringLiteral("edit-paste"))
                    menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), text->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(text->viewport(), &menuEvent);

    // Still running, and the typed text is there; what the clipboard still gave is plain text.
    QVERIFY2(text->toPlainText().startsWith(QStringLiteral("typed ")), qPrintable(text->toPlainText()));
    QVERIFY(!text->toPlainText().contains(u'<'));
    // A live owner pastes as usual.
    QGuiApplication::clipboard()->setText(QStringLiteral("<b>x</b>"));
    text->setFocus();
    text->moveCursor(QTextCursor::End);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(text->toPlainText().endsWith(QStringLiteral("<b>x</b>")));
}

void DesktopTest::windowKeepsItsSizeAcrossViewsAndFormsFillIt() {
    showAt({1000, 750});
    for (int round = 0; round < 2; ++round)
        for (int id : kViews) {
            frame()->SwitchView(id);
            QTest::qWait(50);
            QCOMPARE(frame()->size(), QSize(1000, 750));
            // The view fills the client area (no scroll bars at this size).
            auto* scroller = qobject_cast<QScrollArea*>(frame()->centralWidget());
            QVERIFY(scroller);
            QCOMPARE(frame()->CurrentView()->size(), scroller->viewport()->size());
        }
    // Every control a screen reader stops at has a name (a button's is its text).
    for (int id : kViews) {
        frame()->SwitchView(id);
        for (QWidget* w : frame()->CurrentView()->findChildren<QWidget*>()) {
            if (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->parentWidget()->inherits("QAbstractScrollArea") ||
                w->inherits("QScrollBar") || w->inherits("QHeaderView") || w->inherits("QSplitterHandle") ||
                w->parentWidget()->inherits("QComboBox"))
                continue;
            const auto* button = qobject_cast<QAbstractButton*>(w);
            QVERIFY2(!w->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                     qPrintable(QStringLiteral("%1 %2 in view %3").arg(w->metaObject()->className(), w->objectName()).arg(id)));
        }
    }
    frame()->SwitchView(ui::VIEW_SMS);
    auto* text = frame()->CurrentView()->findChild<QPlainTextEdit*>(QStringLiteral("control1003"));
    auto* send = frame()->CurrentView()->findChild<QPushButton*>(QStringLiteral("control1015"));
    auto* form = qobject_cast<CColorFormView*>(frame()->CurrentView());
    QTRY_VERIFY(text->width() > form->Units().X(148) + 300);
    // Send stays beside the text, inside the window.
    QVERIFY(send->geometry().left() > text->geometry().right());
    QVERIFY(form->rect().contains(send->geometry()));
}

void DesktopTest::smallWindowScrollsTheForm() {
    showAt({1000, 750});
    frame()->SwitchView(ui::VIEW_SMS);
    auto* form = qobject_cast<CColorFormView*>(frame()->CurrentView());
    const QSize minimum = form->FormSize();
    frame()->resize(minimum.width() / 2, 300);
    auto* scroller = qobject_cast<QScrollArea*>(frame()->centralWidget());
    QTRY_VERIFY(scroller->horizontalScrollBar()->isVisible());
    QCOMPARE(form->size().expandedTo(minimum), form->size());
    QTRY_VERIFY(scroller->horizontalScrollBar()->maximum() > 0);
}

void DesktopTest::statusLineBelongsToTheAction() {
    showAt({1000, 750});
    frame()->SetStatusText("The phone refused to add the entry: +CME ERROR: 20");
    frame()->SwitchView(ui::VIEW_SMS);
    QCOMPARE(frame()->StatusText(), QStringLiteral("Ready"));
    // A long outcome shows on two lines and whole on a click.
    auto* text = frame()->CurrentView()->findChild<QPlainTextEdit*>(QStringLiteral("control1003"));
    text->setPlainText(QString(200, u'x'));
    QTest::mouseClick(frame()->CurrentView()->findChild<QPushButton*>(QStringLiteral("control1015")), Qt::LeftButton);
    QVERIFY(frame()->StatusText().startsWith(QStringLiteral("Message not sent: the text needs 200 characters")));
    frame()->resize(420, 400);
    auto* pane = frame()->findChild<CElidingLabel*>(QStringLiteral("messagePane"));
    QTRY_VERIFY(pane->text().contains(u'\n'));
    QTRY_VERIFY(pane->text().endsWith(QStringLiteral("160")) || pane->IsElided());
    frame()->OnCommand(ui::ID_SHOW_MELODIES);
    QVERIFY(!frame()->StatusText().startsWith(QStringLiteral("Message not sent")));
}

void DesktopTest::toolbarButtonsHaveToolTips() {
    showAt({1000, 750});
    QWidget* button = frame()->ToolBar()->widgetForAction(frame()->Action(ui::ID_SHOW_PHONEBOOK));
    QVERIFY(button);
    QCOMPARE(button->accessibleName(), QStringLiteral("Phone book"));
    QTest::mouseMove(button);
    QHelpEvent help(QEvent::ToolTip, button->rect().center(), button->mapToGlobal(button->rect().center()));
    QApplication::sendEvent(button, &help);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Phone book"));
    QCOMPARE(frame()->Action(ui::ID_SHOW_MELODIES)->statusTip(), QStringLiteral("Read and modify the user melodies"));
}

void DesktopTest::escapeDuringPhonebookReadKeepsWhatWasRead() {
    // A SIM entry in the first listing command's range and one past it.
    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    state.sim.entries.clear();
    state.sim.entries[5] = {"0170111", 129, "Early"};
    state.sim.entries[180] = {"0170222", 129, "Late"};
    m_harness = std::make_unique<viewtest::ViewHarness>(state);
    QString why;
    QVERIFY2(m_harness->Start(&why), qPrintable(why));

    // Escape once the SIM's first listing is in, as a user would press it.
    CReadProgressDlg::SetStartDelay(10);
    CReadProgressDlg::SetShownHook([](CReadProgressDlg* dlg) {
        QObject::connect(dlg->SimBar(), &QProgressBar::valueChanged, dlg, [dlg](int value) {
            if (value > 2 && value < 9)
                QTest::keyClick(dlg, Qt::Key_Escape);
        });
    });
    showAt({1000, 750});
    frame()->SwitchView(ui::VIEW_PHONEBOOK);
    frame()->EnsurePhonebookRead();
    CReadProgressDlg::SetShownHook(nullptr);
    CPhoneLink* link = frame()->PhoneLink();
    QCOMPARE(link->Entries(kStorageSim).size(), size_t{1});
    QCOMPARE(link->Entries(kStorageSim).front()->name, std::string("Early"));
    QCOMPARE(link->StorageError(kStorageSim).text, std::string("the read was stopped; positions 101 to 250 were not read"));
    QVERIFY(link->Entries(kStoragePhone).empty());
    QCOMPARE(link->StorageError(kStoragePhone).kind, LinkErrorKind::Stopped);
    QVERIFY(m_harness->Commands(QStringLiteral("AT+CPBR=101")).isEmpty());

    // The next time the phone book is needed it is read whole.
    QVERIFY(frame()->PhonebookPending());
    frame()->EnsurePhonebookRead();
    QVERIFY(!frame()->PhonebookPending());
    QCOMPARE(link->Entries(kStorageSim).size(), size_t{2});
    QCOMPARE(link->Entries(kStoragePhone).size(), m_harness->Snapshot().memory.entries.size());
}

void DesktopTest::secondStartRaisesTheFirst() {
    showAt({1000, 750});
    int raised = 0;
    ui::SingleInstance first([&raised] { ++raised; });
    QVERIFY(first.Claim());
    frame()->showMinimized();
    QProcess second;
    second.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--second-start")});
    QVERIFY(second.waitForStarted(10000));
    QTRY_COMPARE(raised, 1);
    QVERIFY(second.state() == QProcess::NotRunning || second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 3);
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--own-clipboard") == 0)
        return ownClipboardAndQuit(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--second-start") == 0)
        return secondStart(argc, argv);
    QTemporaryDir home;
    viewtest::PrepareEnvironment(home);
    QApplication app(argc, argv);
    RegisterPhonebookViews();
    RegisterMelodyView();
    RegisterSmsView();
    RegisterPictureViews();
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
