#include "mainframe.h"

#include "phonelink/phonelink.h"
#include "ui/connectionfacts.h"
#include "ui/doctemplate.h"
#include "ui/elidinglabel.h"
#include "ui/framelayout.h"
#include "ui/ids.h"
#include "ui/messages.h"
#include "ui/placeholderview.h"
#include "ui/resources.h"
#include "ui/safepaste.h"
#include "ui/strings.h"
#include "ui/undooffer.h"
#include "ui/vantreldoc.h"
#include "ui/vantrelview.h"
#include "ui/view.h"
#include "ui/winapp.h"
#include "ui/waitcursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

CMainFrame::FileCommandHandler& FileCommands() {
    static CMainFrame::FileCommandHandler handler;
    return handler;
}

CMainFrame::IdleWatch& IdleWatcher() {
    static CMainFrame::IdleWatch watch;
    return watch;
}

constexpr int kIdleWatchMs = 2000;

std::map<int, ui::ViewFactory>& registeredFactories() {
    static std::map<int, ui::ViewFactory> factories;
    return factories;
}

CMainFrame::PhonebookReader& phonebookReader() {
    static CMainFrame::PhonebookReader reader;
    return reader;
}

QString viewTitle(int viewId) {
    switch (viewId) {
    case ui::VIEW_PHONEBOOK: return QStringLiteral("Phone book");
    case ui::VIEW_MELODIES: return QStringLiteral("User melodies");
    case ui::VIEW_SMS: return QStringLiteral("Short message");
    case ui::VIEW_PICTURES: return QStringLiteral("Pictures");
    case ui::VIEW_MESSAGES: return QStringLiteral("Messages");
    default: return QStringLiteral("View %1").arg(viewId);
    }
}


constexpr int kToolbarCommands[] = {ui::ID_SHOW_PHONEBOOK, ui::ID_SHOW_MELODIES, ui::ID_SHOW_SMS,
                                    ui::ID_SHOW_PICTURES, ui::ID_UPLOAD_PICTURE, ui::ID_SHOW_MESSAGES};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_currentViewId(ui::VIEW_START) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(ui::Strings::Instance().Load(ui::AFX_IDS_APP_TITLE));
    setWindowIcon(ui::ResourceIcon(ui::IDR_MAINFRAME));
    // The framework's default frame is large; the start view shrinks it to fit the form.
    resize(900, 700);
    m_factories = registeredFactories();
    ui::InstallPasteGuard();
}

CMainFrame::~CMainFrame() {
    // The views go only after the members, the link among them.
    if (m_view)
        m_view->OnPhoneLinkGoing();
}

void CMainFrame::RegisterViewFactory(int viewId, ui::ViewFactory factory) {
    registeredFactories()[viewId] = std::move(factory);
}

void CMainFrame::SetViewFactory(int viewId, ui::ViewFactory factory) { m_factories[viewId] = std::move(factory); }

void CMainFrame::SetPhonebookReader(PhonebookReader reader) { phonebookReader() = std::move(reader); }

void CMainFrame::SetIdleWatch(IdleWatch watch) { IdleWatcher() = std::move(watch); }

QString CMainFrame::WebAddress() { return QStringLiteral("http://www.dunmere.example/"); }

bool CMainFrame::OnCreate(QString* why) {
    auto* idle = new QTimer(this);
    idle->setObjectName(QStringLiteral("idleWatch"));
    connect(idle, &QTimer::timeout, this, [this] {
        // Never inside another exchange: a dialog or menu open may be one that runs the link.
        if (IdleWatcher() && m_phoneLink && m_phoneLink->IsOpen() && !QApplication::activeModalWidget() &&
            !QApplication::activePopupWidget())
            IdleWatcher()(*this);
    });
    idle->start(kIdleWatchMs);
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(50, 50));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The band's gripper: the bar can be dragged, but only along the top edge.
    m_toolBar->setMovable(true);
    m_toolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_toolBar->setFloatable(false);
    for (int id : kToolbarCommands) {
        const QIcon icon = ui::ToolbarIcon(id);
        if (icon.isNull()) {
            if (why)
                *why = QStringLiteral("the toolbar image of command %1 is missing").arg(id);
            return false;
        }
        QAction* action = addCommand(id, QString());
        action->setIcon(icon);
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    buildMenus();
    buildStatusBar();
    RefreshPrompts();
    setToolTips();
    // Smaller than this, neither the toolbar nor a line of a form would be usable; down to it
    // the client area scrolls.
    setMinimumSize(m_toolBar->sizeHint().width(), m_toolBar->sizeHint().height() * 4);
    m_sizedByUser = ui::RestoreFrameGeometry(*this);
    UpdateCommandUI();
    return true;
}

QAction* CMainFrame::addCommand(int id, const QString& text, const QList<QKeySequence>& keys) {
    QAction* action = m_actions.value(id);
    if (!action) {
        action = new QAction(text, this);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        // Accelerators work whether or not the command is on a menu.
        addAction(action);
        m_actions.insert(id, action);
    } else if (!text.isEmpty()) {
        action->setText(text);
    }
    if (!keys.isEmpty())
        action->setShortcuts(keys);
    return action;
}

void CMainFrame::buildMenus() {
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(addCommand(ui::ID_FILE_EXPORT_PHONEBOOK, QStringLiteral("&Export phone book...")));
    file->addAction(addCommand(ui::ID_FILE_IMPORT_CONTACTS, QStringLiteral("&Import contacts...")));
    file->addAction(addCommand(ui::ID_FILE_BACKUP_PHONE, QStringLiteral("&Back up phone...")));
    file->addAction(addCommand(ui::ID_FILE_RESTORE_BACKUP, QStringLiteral("&Restore backup...")));
    file->addSeparator();
    file->addAction(addCommand(ui::ID_FILE_COPY_SIM_TO_PHONE, QStringLiteral("Cop&y SIM card to phone memory...")));
    file->addAction(addCommand(ui::ID_FILE_COPY_PHONE_TO_SIM, QStringLiteral("Copy phone &memory to SIM card...")));
    file->addSeparator();
    file->addAction(addCommand(ui::ID_APP_EXIT, QStringLiteral("E&xit")));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // The shortcut texts are written into the item text, as on the original menu, so that they
    // show even though the items are disabled.
    edit->addAction(addCommand(ui::ID_EDIT_UNDO, QStringLiteral("&Undo\tCtrl+Z"),
                               {QKS(Qt::CTRL | Qt::Key_Z), QKS(Qt::ALT | Qt::Key_Backspace)}));
    edit->addSeparator();
    edit->addAction(addCommand(ui::ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X"),
                               {QKS(Qt::CTRL | Qt::Key_X), QKS(Qt::SHIFT | Qt::Key_Delete)}));
    edit->addAction(addCommand(ui::ID_EDIT_COPY, QStringLiteral("&Copy\tCtrl+C"),
                               {QKS(Qt::CTRL | Qt::Key_C), QKS(Qt::CTRL | Qt::Key_Insert)}));
    edit->addAction(addCommand(ui::ID_EDIT_PASTE, QStringLiteral("&Paste\tCtrl+V"),
                               {QKS(Qt::CTRL | Qt::Key_V), QKS(Qt::SHIFT | Qt::Key_Insert)}));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = addCommand(ui::ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"));
    QAction* status = addCommand(ui::ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"));
    toolbar->setCheckable(true);
    status->setCheckable(true);
    view->addAction(toolbar);
    view->addAction(status);
    view->addSeparator();
    view->addAction(addCommand(ui::ID_SHOW_MESSAGES, QStringLiteral("&Messages")));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(addCommand(ui::ID_WEB_LINK, QStringLiteral("DUNMERE on the web")));
    help->addAction(addCommand(ui::ID_APP_ABOUT, QStringLiteral("&About Harlune...")));
    addConnectionCommands(file, help);

    // Accelerators of the standard table that no menu item carries.
    addCommand(ui::ID_FILE_NEW, QStringLiteral("New"), {QKS(Qt::CTRL | Qt::Key_N)});
    addCommand(ui::ID_FILE_OPEN, QStringLiteral("Open"), {QKS(Qt::CTRL | Qt::Key_O)});
    addCommand(ui::ID_FILE_SAVE, QStringLiteral("Save"), {QKS(Qt::CTRL | Qt::Key_S)});
    addCommand(ui::ID_FILE_PRINT, QStringLiteral("Print"), {QKS(Qt::CTRL | Qt::Key_P)});
    addCommand(ui::ID_NEXT_PANE, QStringLiteral("Next Pane"), {QKS(Qt::Key_F6)});
    addCommand(ui::ID_PREV_PANE, QStringLiteral("Previous Pane"), {QKS(Qt::SHIFT | Qt::Key_F6)});

    for (QMenu* menu : {file, edit, view, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::addConnectionCommands(QMenu* file, QMenu* help) {
    QAction* connectPhone = addCommand(ui::ID_CONNECT_PHONE, QStringLiteral("&Connect to phone..."));
    file->insertAction(file->actions().value(0), connectPhone);
    file->insertSeparator(file->actions().value(1));
    QAction* info = addCommand(ui::ID_PHONE_INFO, QStringLiteral("&Phone information"));
    help->insertAction(help->actions().value(0), info);
    help->insertSeparator(help->actions().value(1));
}

void CMainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_messagePane = new CElidingLabel(ui::Strings::Instance().Load(ui::AFX_IDS_IDLEMESSAGE), bar);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    bar->addWidget(m_messagePane, 1);
    m_undoOffer = new CUndoOffer(bar);
    bar->addWidget(m_undoOffer);
    for (int id : {ui::ID_INDICATOR_CAPS, ui::ID_INDICATOR_NUM, ui::ID_INDICATOR_SCRL}) {
        auto* indicator = new QLabel(ui::Strings::Instance().Load(id), bar);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        // The lock states cannot be read portably; an indicator lights up once its key is
        // toggled while the program has the focus.
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
        m_indicators.insert(id, indicator);
    }
    qApp->installEventFilter(this);
}

void CMainFrame::RefreshPrompts() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QString prompt = ui::Strings::Instance().Load(it.key());
        // A prompt may carry a tool-tip part after a newline; ours carry none, so only the
        // status line shows them.
        it.value()->setStatusTip(prompt.section(u'\n', 0, 0));
    }
}

void CMainFrame::SetInitialView(CView* view, CVantrelDoc* document) {
    m_document = document;
    view->setParent(this);
    m_view = view;
    m_currentViewId = view->ViewId();
    view->OnInitialUpdate();
    placeView(view);
    UpdateCommandUI();
}

void CMainFrame::SetStatusText(std::string text) {
    const QString line = QString::fromStdString(text);
    m_messagePane->SetFullText(line);
    emit StatusTextChanged(line);
}

void CMainFrame::OfferUndo(std::function<void()> undo) {
    if (m_undoOffer)
        m_undoOffer->Offer(std::move(undo));
}

void CMainFrame::ClearStatusText() {
    if (m_undoOffer)
        m_undoOffer->Withdraw();
    if (m_messagePane)
        SetStatusText(ui::Strings::Instance().Load(ui::AFX_IDS_IDLEMESSAGE).toStdString());
}

void CMainFrame::FitToFormOnce(QSize formSize) {
    // Applied once the view sits in the client area, where the bars' share of the frame is known.
    if (!m_sizedByUser)
        m_pendingFit = formSize;
}

QString CMainFrame::StatusText() const { return m_messagePane ? m_messagePane->FullText() : QString(); }

void CMainFrame::ShowMessage(std::string_view text) {
    ui::ShowErrorMessage(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

ui::ConnectionFacts* CMainFrame::facts() const {
    if (m_facts)
        return m_facts;
    CWinApp* app = AfxGetApp();
    return app ? app->GetConnectionFacts() : nullptr;
}

bool CMainFrame::connected() const {
    ui::ConnectionFacts* f = facts();
    return f && f->DeviceFound();
}

// ---- commands ------------------------------------------------------------------------------

bool CMainFrame::frameHandles(int commandId) const {
    switch (commandId) {
    case ui::ID_SHOW_PHONEBOOK:
    case ui::ID_SHOW_MELODIES:
    case ui::ID_SHOW_SMS:
    case ui::ID_SHOW_PICTURES:
    case ui::ID_SHOW_MESSAGES:
    case ui::ID_WEB_LINK:
    case ui::ID_APP_EXIT:
    case ui::ID_VIEW_TOOLBAR:
    case ui::ID_VIEW_STATUS_BAR:
    case ui::ID_FILE_SAVE:
        return true;
    case ui::ID_FILE_EXPORT_PHONEBOOK:
    case ui::ID_FILE_IMPORT_CONTACTS:
    case ui::ID_FILE_BACKUP_PHONE:
    case ui::ID_FILE_RESTORE_BACKUP:
    case ui::ID_FILE_COPY_SIM_TO_PHONE:
    case ui::ID_FILE_COPY_PHONE_TO_SIM:
        return FileCommands() && connected();
    case ui::ID_NEXT_PANE:
    case ui::ID_PREV_PANE:
        return m_view && m_view->findChild<QSplitter*>();
    default:
        return false;
    }
}

bool CMainFrame::CanHandle(int commandId) const {
    if (m_view && m_view->HandlesCommand(commandId))
        return true;
    if (frameHandles(commandId))
        return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(commandId, false);
}

void CMainFrame::OnCommand(int commandId) {
    // Showing or hiding a bar is no action on the phone; everything else starts a clean line.
    if (commandId != ui::ID_VIEW_TOOLBAR && commandId != ui::ID_VIEW_STATUS_BAR)
        ClearStatusText();
    if (m_view && m_view->HandlesCommand(commandId))
        m_view->OnCommand(commandId);
    else if (frameHandles(commandId))
        runFrameCommand(commandId);
    else if (CWinApp* app = AfxGetApp())
        app->OnCmdMsg(commandId, true);
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        it.value()->setEnabled(CanHandle(it.key()));
    if (QAction* toolbar = Action(ui::ID_VIEW_TOOLBAR); toolbar && m_toolBar)
        toolbar->setChecked(!m_toolBar->isHidden());
    if (QAction* status = Action(ui::ID_VIEW_STATUS_BAR))
        status->setChecked(!statusBar()->isHidden());
}

void CMainFrame::SetFileCommandHandler(FileCommandHandler handler) { FileCommands() = std::move(handler); }

void CMainFrame::runFrameCommand(int commandId) {
    switch (commandId) {
    case ui::ID_FILE_EXPORT_PHONEBOOK:
    case ui::ID_FILE_IMPORT_CONTACTS:
    case ui::ID_FILE_BACKUP_PHONE:
    case ui::ID_FILE_RESTORE_BACKUP:
    case ui::ID_FILE_COPY_SIM_TO_PHONE:
    case ui::ID_FILE_COPY_PHONE_TO_SIM:
        FileCommands()(*this, commandId);
        break;
    case ui::ID_SHOW_PHONEBOOK:
    case ui::ID_SHOW_MELODIES:
    case ui::ID_SHOW_PICTURES: {
        const int viewId = commandId == ui::ID_SHOW_PHONEBOOK ? ui::VIEW_PHONEBOOK
                           : commandId == ui::ID_SHOW_MELODIES ? ui::VIEW_MELODIES
                                                                : ui::VIEW_PICTURES;
        if (connected() && m_currentViewId != viewId)
            SwitchView(viewId);
        break;
    }
    case ui::ID_SHOW_SMS:
    case ui::ID_SHOW_MESSAGES: {
        const int viewId = commandId == ui::ID_SHOW_SMS ? ui::VIEW_SMS : ui::VIEW_MESSAGES;
        if (!connected())
            break;
        EnsurePhoneLink();
        if (m_currentViewId != viewId)
            SwitchView(viewId);
        break;
    }
    case ui::ID_WEB_LINK:
        QDesktopServices::openUrl(QUrl(WebAddress()));
        break;
    case ui::ID_APP_EXIT:
        close();
        break;
    case ui::ID_VIEW_TOOLBAR:
        m_toolBar->setVisible(m_toolBar->isHidden());
        break;
    case ui::ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    case ui::ID_FILE_SAVE:
        if (m_document) {
            QString path = m_document->PathName();
            if (path.isEmpty())
                path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QStringLiteral("Mobile"));
            QString error;
            if (!path.isEmpty() && !m_document->OnSaveDocument(path, &error))
                ui::ShowErrorMessage(this, error);
        }
        break;
    case ui::ID_NEXT_PANE:
    case ui::ID_PREV_PANE:
        focusNextPane(commandId == ui::ID_NEXT_PANE);
        break;
    default:
        break;
    }
}

void CMainFrame::focusNextPane(bool forward) {
    auto* splitter = m_view ? m_view->findChild<QSplitter*>() : nullptr;
    if (!splitter || splitter->count() == 0)
        return;
    int current = -1;
    for (int i = 0; i < splitter->count(); ++i)
        if (splitter->widget(i)->isAncestorOf(focusWidget()) || splitter->widget(i) == focusWidget())
            current = i;
    const int count = splitter->count();
    const int next = current < 0 ? 0 : (current + (forward ? 1 : count - 1)) % count;
    splitter->widget(next)->setFocus(Qt::OtherFocusReason);
}

// ---- views ---------------------------------------------------------------------------------

void CMainFrame::SwitchView(int viewId) { showView(viewId, QString()); }

void CMainFrame::SwitchToSmsView(QString number) { showView(ui::VIEW_SMS, number); }

void CMainFrame::placeView(CView* view) {
    ui::RestoreSplitters(*view, view->ViewId());
    // The frame's size is the user's: the view fills it, and scrolls when it is smaller than the
    // form's template.
    QWidget* scroller = ui::MakeViewScroller(view, this);
    setCentralWidget(scroller);
    // The layout would show it only from the event loop; the new view is visible at once.
    scroller->show();
    if (m_pendingFit.isValid() && !m_sizedByUser) {
        m_sizedByUser = true;
        if (layout())
            layout()->activate();
        const QSize chrome = size() - centralWidget()->size();
        resize(size().boundedTo(chrome + m_pendingFit));
    }
    // Only the very first view may size the frame.
    m_sizedByUser = true;
    m_pendingFit = QSize();
}

void CMainFrame::showView(int viewId, const QString& smsNumber) {
    ClearStatusText();
    QPointer<CView> old = m_view;
    const ui::ViewArgs args{viewId, smsNumber};
    auto factory = m_factories.find(viewId);
    CView* view = factory != m_factories.end() && factory->second ? factory->second(args) : nullptr;
    if (!view)
        view = new CPlaceholderView(viewId, viewTitle(viewId));
    if (viewId == ui::VIEW_PHONEBOOK)
        m_phonebookView = view;
    else if (viewId == ui::VIEW_PICTURES)
        m_imageView = view;

    view->hide();
    view->setParent(this);
    view->SetDocument(old ? old->GetDocument() : m_document);
    view->OnInitialUpdate();

    // Retire the old view. It may be the very object whose handler asked for this switch (the
    // phone book's SMS action), so it is hidden now and deleted once control is back in the
    // event loop. Its panes go with it, whichever of them had the focus.
    if (old)
        ui::SaveSplitters(*old, old->ViewId());
    if (QWidget* previous = takeCentralWidget()) {
        previous->hide();
        previous->deleteLater();
    }
    m_view = view;
    placeView(view);
    view->show();
    m_currentViewId = viewId;
    UpdateCommandUI();
}

// ---- phone link ----------------------------------------------------------------------------

void CMainFrame::EnsurePhoneLink() {
    if (m_phoneLink)
        return;
    ui::ConnectionFacts* f = facts();
    const int16_t port = f ? f->ComPort() : 0;
    // A negative number can only come from a broken notification; port 0 is never mapped, so
    // the open fails with the usual message instead of reaching some other device.
    m_phoneLink = std::make_unique<CPhoneLink>(static_cast<uint16_t>(port < 0 ? 0 : port), this);
    // The message box says only "COM port open failed"; the line below keeps the system's reason
    // (a missing device, "Permission denied" without the dialout group, a port held by another
    // program).
    if (m_phoneLink->LastError().kind == LinkErrorKind::PortNotOpen) {
        const std::string& reason = m_phoneLink->Port().OpenError();
        SetStatusText(reason.empty() ? std::string("COM port open failed") : "COM port open failed: " + reason);
    }
}

void CMainFrame::ForgetPhone() {
    if (m_view)
        m_view->OnPhoneLinkGoing();
    m_phoneLink.reset();
    m_phonebookPending = true;
    m_melodiesPending = true;
    if (m_currentViewId == ui::VIEW_START)
        return;
    if (!m_factories.count(ui::VIEW_START))
        m_factories[ui::VIEW_START] = [](const ui::ViewArgs&) { return new CVantrelView; };
    SwitchView(ui::VIEW_START);
}

void CMainFrame::EnsurePhonebookRead() {
    if (!connected())
        return;
    EnsurePhoneLink();
    if (!m_phonebookPending)
        return;
    SetStatusText("Reading phone book...");
    {
        ui::WaitCursor wait;
        if (phonebookReader())
            phonebookReader()(*this);
        else if (!m_phoneLink->ReadPhonebook())
            SetStatusText("Read phone book error, check the connection status!");
    }
    SetStatusText("Finishing reading phone book");
    // A read the user stopped is read again the next time the phone book is needed.
    m_phonebookPending = m_phoneLink && m_phoneLink->LastError().kind == LinkErrorKind::Stopped;
}

void CMainFrame::EnsureMelodiesRead() {
    if (!connected())
        return;
    EnsurePhoneLink();
    if (!m_melodiesPending)
        return;
    SetStatusText("Reading melodies...");
    bool read;
    {
        ui::WaitCursor wait;
        read = m_phoneLink->ReadMelodies();
    }
    m_melodiesPending = false;
    m_melodyReadFailure = read ? std::string() : m_phoneLink->LastError().text;
    if (read)
        SetStatusText("Finishing reading melodies");
    else
        SetStatusText("Read melodies error: " + m_melodyReadFailure);
}

void CMainFrame::setToolTips() {
    // The toolbar shows icons only; its tool tips name each button (the prompts say more on the
    // status line).
    const std::pair<int, const char*> tips[] = {{ui::ID_SHOW_PHONEBOOK, "Phone book"},
                                                {ui::ID_SHOW_MELODIES, "User melodies"},
                                                {ui::ID_SHOW_SMS, "Short message"},
                                                {ui::ID_SHOW_PICTURES, "Pictures"},
                                                {ui::ID_UPLOAD_PICTURE, "Upload picture"},
                                                {ui::ID_SHOW_MESSAGES, "Messages"}};
    for (const auto& [id, tip] : tips) {
        QAction* action = Action(id);
        if (!action)
            continue;
        action->setToolTip(QString::fromLatin1(tip));
        if (QWidget* button = m_toolBar->widgetForAction(action))
            button->setAccessibleName(QString::fromLatin1(tip));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    ui::SaveFrameGeometry(*this);
    if (m_view)
        ui::SaveSplitters(*m_view, m_view->ViewId());
    QMainWindow::closeEvent(event);
}

// ---- events --------------------------------------------------------------------------------

void CMainFrame::changeEvent(QEvent* event) {
    // The title never carries a document name, whatever sets it.
    if (event->type() == QEvent::WindowTitleChange) {
        const QString title = ui::Strings::Instance().Load(ui::AFX_IDS_APP_TITLE);
        if (windowTitle() != title)
            setWindowTitle(title);
    }
    QMainWindow::changeEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Only the first delivery counts: an unhandled key press travels on to the parents.
    if (event->type() == QEvent::KeyPress && watched == QGuiApplication::focusObject()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int indicator = key == Qt::Key_CapsLock     ? ui::ID_INDICATOR_CAPS
                              : key == Qt::Key_NumLock    ? ui::ID_INDICATOR_NUM
                              : key == Qt::Key_ScrollLock ? ui::ID_INDICATOR_SCRL
                                                          : 0;
        if (QLabel* label = m_indicators.value(indicator); label && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
            label->setEnabled(!label->isEnabled());
    }
    return QMainWindow::eventFilter(watched, event);
}
