// The main frame on its own, with connection facts the test controls.
#include "testsupport.h"

#include "ui/colorformview.h"
#include "ui/connectionfacts.h"
#include "ui/doctemplate.h"
#include "ui/elidinglabel.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/strings.h"
#include "ui/vantreldoc.h"
#include "ui/vantrelview.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QSplitter>
#include <QTemporaryFile>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>

namespace {

struct FakeFacts : ui::ConnectionFacts {
    bool found = false;
    bool DeviceFound() const override { return found; }
    int16_t ComPort() const override { return 0; }
    std::array<uint8_t, 6> PhoneAddress() const override { return {}; }
    std::string DeviceName() const override { return "phone"; }
    uint8_t ObexChannel() const override { return 0; }
};

// A view that records what the frame did to it.
class ProbeView : public CView {
public:
    ProbeView(int id, QString number, bool upload) : CView(id), smsNumber(std::move(number)), upload(upload) {
        if (id == ui::VIEW_PHONEBOOK) {
            auto* splitter = new QSplitter(this);
            splitter->addWidget(new QLabel(QStringLiteral("left")));
            splitter->addWidget(new QLabel(QStringLiteral("right")));
            for (int i = 0; i < 2; ++i)
                splitter->widget(i)->setFocusPolicy(Qt::StrongFocus);
        }
    }
    void OnInitialUpdate() override { initialised = parentWidget() != nullptr && !isVisible(); }
    bool HandlesCommand(int id) const override { return upload && id == ui::ID_UPLOAD_PICTURE; }
    void OnCommand(int) override { ++uploads; }
    QString smsNumber;
    bool upload;
    bool initialised = false;
    int uploads = 0;
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

} // namespace

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void titleStaysWhateverSetsIt();
    void startViewIsWhiteWithSplash();
    void viewCommandsDoNothingWhileNotConnected();
    void switchingBuildsNewViewAndRetiresOld();
    void sameViewCommandDoesNothing();
    void smsViewGetsNumber();
    void uploadButtonFollowsActiveView();
    void nextPaneMovesFocusInSplitter();
    void promptsFollowLanguageVariant();
    void barsToggleFromViewMenu();
    void editItemsDisabled();
    void longStatusLineElidedNotLost();

private:
    CMainFrame* frame() const { return m_template->Frame(); }
    std::unique_ptr<CSingleDocTemplate> m_template;
    FakeFacts m_facts;
    QList<QPointer<ProbeView>> m_built;
    UrlRecorder m_urls;
};

void FrameTest::init() {
    ui::Strings::Instance().SetVariant(ui::StringVariant::UsEnglish);
    m_template = std::make_unique<CSingleDocTemplate>(ui::IDR_MAINFRAME);
    QString error;
    QVERIFY2(m_template->OpenDocumentFile(QString(), &error), qPrintable(error));
    m_facts.found = false;
    frame()->SetConnectionFacts(&m_facts);
    m_built.clear();
    for (int id : {ui::VIEW_PHONEBOOK, ui::VIEW_MELODIES, ui::VIEW_SMS, ui::VIEW_PICTURES})
        frame()->SetViewFactory(id, [this](const ui::ViewArgs& args) {
            auto* view = new ProbeView(args.viewId, args.smsNumber, args.viewId == ui::VIEW_PICTURES);
            m_built << view;
            return view;
        });
    frame()->show();
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
}

void FrameTest::cleanup() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    m_template.reset();
}

void FrameTest::titleStaysWhateverSetsIt() {
    QCOMPARE(frame()->windowTitle(), QStringLiteral("DUNMERE Harlune"));
    frame()->setWindowTitle(QStringLiteral("Mobile - Harlune"));
    QCOMPARE(frame()->windowTitle(), QStringLiteral("DUNMERE Harlune"));
    QTemporaryFile file;
    QVERIFY(file.open());
    QVERIFY(m_template->OpenDocumentFile(file.fileName(), nullptr));
    QCOMPARE(frame()->windowTitle(), QStringLiteral("DUNMERE Harlune"));
}

void FrameTest::startViewIsWhiteWithSplash() {
    auto* view = qobject_cast<CVantrelView*>(frame()->CurrentView());
    QVERIFY(view);
    QCOMPARE(frame()->CurrentViewId(), ui::VIEW_START);
    QCOMPARE(view->BackColor(), QColor(Qt::white));
    auto* splash = view->findChild<QLabel*>(QStringLiteral("splash"));
    QVERIFY(splash);
    QCOMPARE(splash->pixmap().size(), QSize(512, 406));
    const QImage image = view->grab().toImage();
    // Left of the splash, inside the form: the background, painted white.
    QCOMPARE(QColor(image.pixel(splash->x() / 2, splash->y() + 10)), QColor(Qt::white));
    QCOMPARE(frame()->StatusText(), QStringLiteral("Ready"));
}

void FrameTest::viewCommandsDoNothingWhileNotConnected() {
    CView* start = frame()->CurrentView();
    for (int id : {ui::ID_SHOW_PHONEBOOK, ui::ID_SHOW_MELODIES, ui::ID_SHOW_SMS, ui::ID_SHOW_PICTURES})
        frame()->Action(id)->trigger();
    QCOMPARE(frame()->CurrentView(), start);
    QVERIFY(m_built.isEmpty());
    QVERIFY(!frame()->PhoneLink());
    QCOMPARE(frame()->StatusText(), QStringLiteral("Ready"));
    frame()->EnsureMelodiesRead();
    QVERIFY(frame()->MelodiesPending());
    // The web link needs no connection.
    frame()->Action(ui::ID_WEB_LINK)->trigger();
    QCOMPARE(m_urls.opened, QList<QUrl>{QUrl(CMainFrame::WebAddress())});
}

void FrameTest::switchingBuildsNewViewAndRetiresOld() {
    m_facts.found = true;
    QPointer<CView> start = frame()->CurrentView();
    frame()->Action(ui::ID_SHOW_PHONEBOOK)->trigger();
    frame()->Action(ui::ID_SHOW_PICTURES)->trigger();
    frame()->Action(ui::ID_SHOW_PHONEBOOK)->trigger();
    QCOMPARE(m_built.size(), 3);
    QPointer<ProbeView> first = m_built[0], second = m_built[2];
    QVERIFY(first != second);
    QCOMPARE(frame()->CurrentView(), second.data());
    QCOMPARE(frame()->PhonebookView(), second.data());
    QCOMPARE(frame()->CurrentViewId(), ui::VIEW_PHONEBOOK);
    QVERIFY(second->initialised);
    QVERIFY(second->isVisible());
    QVERIFY(!first->isVisible() && !start->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first && !start && !m_built[1]);
    QVERIFY(second);
}

void FrameTest::sameViewCommandDoesNothing() {
    m_facts.found = true;
    for (int id : {ui::ID_SHOW_PHONEBOOK, ui::ID_SHOW_MELODIES, ui::ID_SHOW_PICTURES}) {
        frame()->Action(id)->trigger();
        CView* shown = frame()->CurrentView();
        frame()->Action(id)->trigger();
        QCOMPARE(frame()->CurrentView(), shown);
    }
    QCOMPARE(m_built.size(), 3);
}

void FrameTest::smsViewGetsNumber() {
    m_facts.found = true;
    frame()->SwitchToSmsView(QStringLiteral("+4670123"));
    QCOMPARE(m_built.size(), 1);
    QCOMPARE(m_built[0]->smsNumber, QStringLiteral("+4670123"));
    // Unlike the toolbar command it always builds a fresh form.
    frame()->SwitchToSmsView(QStringLiteral("555"));
    QCOMPARE(m_built.size(), 2);
    QCOMPARE(frame()->CurrentViewId(), ui::VIEW_SMS);
}

void FrameTest::uploadButtonFollowsActiveView() {
    QAction* upload = frame()->Action(ui::ID_UPLOAD_PICTURE);
    QVERIFY(!upload->isEnabled());
    m_facts.found = true;
    frame()->Action(ui::ID_SHOW_PICTURES)->trigger();
    QVERIFY(upload->isEnabled());
    upload->trigger();
    QCOMPARE(m_built.last()->uploads, 1);
    frame()->Action(ui::ID_SHOW_MELODIES)->trigger();
    QVERIFY(!upload->isEnabled());
    QVERIFY(frame()->Action(ui::ID_SHOW_PHONEBOOK)->isEnabled());
}

void FrameTest::nextPaneMovesFocusInSplitter() {
    QVERIFY(!frame()->Action(ui::ID_NEXT_PANE)->isEnabled());
    m_facts.found = true;
    frame()->Action(ui::ID_SHOW_PHONEBOOK)->trigger();
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    auto* splitter = frame()->CurrentView()->findChild<QSplitter*>();
    QVERIFY(frame()->Action(ui::ID_NEXT_PANE)->isEnabled());
    splitter->widget(1)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), splitter->widget(1));
    frame()->Action(ui::ID_NEXT_PANE)->trigger(); // wraps round
    QTRY_COMPARE(QApplication::focusWidget(), splitter->widget(0));
    frame()->Action(ui::ID_NEXT_PANE)->trigger();
    QTRY_COMPARE(QApplication::focusWidget(), splitter->widget(1));
    frame()->Action(ui::ID_PREV_PANE)->trigger();
    QTRY_COMPARE(QApplication::focusWidget(), splitter->widget(0));
}

void FrameTest::promptsFollowLanguageVariant() {
    QCOMPARE(frame()->Action(ui::ID_SHOW_PHONEBOOK)->statusTip(), QStringLiteral("Read and modify the phone book"));
    QCOMPARE(frame()->Action(ui::ID_SHOW_MELODIES)->statusTip(), QStringLiteral("Read and modify the user melodies"));
    ui::Strings::Instance().SetVariant(ui::StringVariant::TraditionalChinese);
    frame()->RefreshPrompts();
    QCOMPARE(frame()->Action(ui::ID_SHOW_PHONEBOOK)->statusTip(), QStringLiteral("Show the phonebook"));
    QCOMPARE(frame()->Action(ui::ID_SHOW_MELODIES)->statusTip(), QStringLiteral("Show user melodies"));
    QVERIFY(frame()->Action(ui::ID_UPLOAD_PICTURE)->statusTip().isEmpty());
    // A button's prompt reaches the status line when the pointer rests on it.
    QWidget* button = frame()->ToolBar()->widgetForAction(frame()->Action(ui::ID_SHOW_SMS));
    QStatusTipEvent tip(frame()->Action(ui::ID_SHOW_SMS)->statusTip());
    QApplication::sendEvent(button, &tip);
    QCOMPARE(frame()->statusBar()->currentMessage(), QStringLiteral("Short message service"));
}

void FrameTest::barsToggleFromViewMenu() {
    QAction* toolbar = frame()->Action(ui::ID_VIEW_TOOLBAR);
    QAction* status = frame()->Action(ui::ID_VIEW_STATUS_BAR);
    QVERIFY(toolbar->isChecked() && status->isChecked());
    toolbar->trigger();
    status->trigger();
    QVERIFY(frame()->ToolBar()->isHidden() && frame()->statusBar()->isHidden());
    QVERIFY(!toolbar->isChecked() && !status->isChecked());
    toolbar->trigger();
    QVERIFY(!frame()->ToolBar()->isHidden());
}

void FrameTest::editItemsDisabled() {
    for (int id : {ui::ID_EDIT_UNDO, ui::ID_EDIT_CUT, ui::ID_EDIT_COPY, ui::ID_EDIT_PASTE, ui::ID_FILE_PRINT})
        QVERIFY2(!frame()->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(frame()->Action(ui::ID_WEB_LINK)->isEnabled());
    QVERIFY(frame()->Action(ui::ID_APP_EXIT)->isEnabled());
}

void FrameTest::longStatusLineElidedNotLost() {
    frame()->resize(400, 300);
    auto* pane = frame()->findChild<CElidingLabel*>(QStringLiteral("messagePane"));
    QVERIFY(pane);
    const int frameWidth = frame()->width();
    const QString reason = QStringLiteral("Could not change the entry: the phone says +CME ERROR: 20 (memory full) "
                                          "after writing position 250 of the SIM phone book\nsecond line");
    frame()->SetStatusText(reason.toStdString());
    QCOMPARE(frame()->StatusText(), reason);
    QTRY_VERIFY(pane->IsElided());
    const QString shown = pane->text();
    QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY(shown.startsWith(QStringLiteral("Could not")));
    QVERIFY(shown.endsWith(QStringLiteral("second line")));
    // Two lines at most, each within the bar; the rest is one click away.
    const QStringList lines = shown.split(u'\n');
    QCOMPARE(lines.size(), 2);
    for (const QString& line : lines)
        QVERIFY(pane->fontMetrics().horizontalAdvance(line) <= pane->contentsRect().width());
    QCOMPARE(pane->toolTip(), reason);
    QTest::mouseClick(pane, Qt::LeftButton);
    QTRY_COMPARE(QToolTip::text(), reason);
    // The line adapts to the window, never the other way round.
    QCOMPARE(frame()->width(), frameWidth);

    frame()->SetStatusText("Ready");
    QCOMPARE(pane->text(), QStringLiteral("Ready"));
    QVERIFY(pane->toolTip().isEmpty());
    // A wider window shows more of a long line.
    frame()->SetStatusText(reason.toStdString());
    const int narrow = pane->text().size();
    frame()->resize(900, 300);
    QTRY_VERIFY(pane->text().size() > narrow);
}

HARLUNE_TEST_MAIN(FrameTest)
#include "tst_frame.moc"
