#include "messagesview.h"

#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

int& watchInterval() {
    static int s_interval = 1000;
    return s_interval;
}

CMessagesView::ComposeHook& composeHook() {
    static CMessagesView::ComposeHook s_hook;
    return s_hook;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A wrapping label two lines high whatever its width: a label that asked for the height its
// width needs would make the frame's scroll area size the whole view by its preferred height,
// and the view would scroll in a frame that fits it.
class TwoLineLabel : public QLabel {
public:
    using QLabel::QLabel;
    bool hasHeightForWidth() const override { return false; }
    QSize sizeHint() const override {
        return {QLabel::sizeHint().width(), 2 * fontMetrics().lineSpacing() + 2};
    }
    QSize minimumSizeHint() const override {
        return {fontMetrics().averageCharWidth() * 20, sizeHint().height()};
    }
};

contacts::NumberMatcher Matcher() {
    return contacts::NumberMatcher(
        contacts::NumberMatcher::RegionFromLocale(QLocale::system().name().toStdString()));
}

} // namespace

int CMessagesView::WatchInterval() {
    return watchInterval();
}
CMessagesView::ComposeHook& CMessagesView::Hook() {
    return composeHook();
}

void CMessagesView::SetWatchInterval(int milliseconds) {
    watchInterval() = std::max(50, milliseconds);
}
void CMessagesView::SetComposeHook(ComposeHook hook) {
    composeHook() = std::move(hook);
}

CMessagesView::CMessagesView(QWidget* parent) : CView(ui::VIEW_MESSAGES, parent) {
    setObjectName(QStringLiteral("messagesView"));
    auto* layout = new QVBoxLayout(this);
    m_storageLabel = new QLabel(QStringLiteral("Messages on the phone: not read yet"), this);
    m_storageLabel->setObjectName(QStringLiteral("storageUse"));
    m_warningLabel = new TwoLineLabel(this);
    m_warningLabel->setObjectName(QStringLiteral("storageWarning"));
    m_warningLabel->setWordWrap(true);
    m_warningLabel->setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
    m_warningLabel->hide();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_conversationList = new QTreeWidget(splitter);
    m_conversationList->setObjectName(QStringLiteral("conversations"));
    m_conversationList->setHeaderLabels(
        {QStringLiteral("Conversation"), QStringLiteral("Messages")});
    m_conversationList->setRootIsDecorated(false);
    m_conversationList->header()->setStretchLastSection(false);
    m_conversationList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_conversationList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    auto* right = new QSplitter(Qt::Vertical, splitter);
    m_messageList = new QTreeWidget(right);
    m_messageList->setObjectName(QStringLiteral("conversationMessages"));
    m_messageList->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("State"), QStringLiteral("Message")});
    m_messageList->setRootIsDecorated(false);
    m_messageList->setWordWrap(true);
    m_messageList->setUniformRowHeights(false);
    // Time and state as wide as they need; the text takes the rest and wraps.
    m_messageList->header()->setStretchLastSection(false);
    m_messageList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_messageList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_messageList->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    // The chosen message whole: the list shows one line of each.
    m_preview = new QPlainTextEdit(right);
    m_preview->setObjectName(QStringLiteral("messageText"));
    m_preview->setReadOnly(true);
    m_preview->setTabChangesFocus(true);
    right->addWidget(m_messageList);
    right->addWidget(m_preview);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    splitter->addWidget(m_conversationList);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    // Small minimums, so that a frame sized for the start form shows the whole view, buttons
    // included, without scrolling.
    const int line = fontMetrics().lineSpacing();
    m_conversationList->setMinimumSize(
        fontMetrics().horizontalAdvance(QStringLiteral("+49170000000000 (12 new)")), 4 * line);
    m_messageList->setMinimumHeight(4 * line);
    m_preview->setMinimumHeight(3 * line);
    right->setChildrenCollapsible(false);
    splitter->setChildrenCollapsible(false);

    auto* buttons = new QHBoxLayout;
    m_readButton = new QPushButton(QStringLiteral("&Read again"), this);
    m_replyButton = new QPushButton(QStringLiteral("Re&ply..."), this);
    m_deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
    m_archiveButton = new QPushButton(QStringLiteral("&Move to archive"), this);
    m_deleteButton->setToolTip(
        QStringLiteral("Delete the message from the phone; its archived copy stays"));
    m_archiveButton->setToolTip(
        QStringLiteral("Free the phone's slots of this conversation; the archive keeps it"));
    for (QPushButton* b : {m_readButton, m_replyButton, m_deleteButton, m_archiveButton})
        buttons->addWidget(b);
    buttons->addStretch(1);

    layout->addWidget(m_storageLabel);
    layout->addWidget(m_warningLabel);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_readButton, &QPushButton::clicked, this, &CMessagesView::OnRead);
    connect(m_replyButton, &QPushButton::clicked, this, &CMessagesView::OnReply);
    connect(m_deleteButton, &QPushButton::clicked, this, &CMessagesView::OnDelete);
    connect(m_archiveButton, &QPushButton::clicked, this, &CMessagesView::OnMoveToArchive);
    connect(m_conversationList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) {
                m_selectedTitle =
                    item ? item->data(0, Qt::UserRole).toString().toStdString() : std::string();
                ShowMessages();
            });
    connect(m_conversationList, &QTreeWidget::itemActivated, this,
            [this] { m_messageList->setFocus(); });
    connect(m_messageList, &QTreeWidget::currentItemChanged, this, [this] {
        const auto* m = SelectedMessage();
        m_preview->setPlainText(m ? Q(m->text) : QString());
        UpdateButtons();
    });
    connect(m_messageList, &QTreeWidget::itemActivated, this, [this] { OnReply(); });

    // The Delete key on a chosen message, as in the phone book's list.
    m_messageList->installEventFilter(this);

    m_watch = new QTimer(this);
    connect(m_watch, &QTimer::timeout, this, &CMessagesView::OnWatchTick);
    UpdateButtons();
}

CMessagesView::~CMessagesView() {
    m_cancel = true;
    m_worker.Join();
}

bool CMessagesView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_messageList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return CView::eventFilter(watched, event);
}

void CMessagesView::OnPhoneLinkGoing() {
    m_linkGoing = true;
    m_cancel = true;
    m_watch->stop();
    m_worker.Join(); // its result, still queued, is dropped
}

CMainFrame* CMessagesView::Frame() const {
    return qobject_cast<CMainFrame*>(window());
}

CPhoneLink* CMessagesView::Link() const {
    CMainFrame* frame = m_linkGoing ? nullptr : Frame();
    return frame ? frame->PhoneLink() : nullptr;
}

void CMessagesView::SetStatus(const std::string& text) {
    if (CMainFrame* frame = Frame())
        frame->SetStatusText(text);
}

void CMessagesView::OnInitialUpdate() {
    m_archive = std::make_unique<messages::MessageArchive>();
    if (!m_archive->Open(msgview::ArchivePath(), m_archiveError))
        m_archive.reset();
    // The read starts once the view is in place, so its progress window has a frame to sit on.
    QTimer::singleShot(0, this, &CMessagesView::OnRead);
}

void CMessagesView::RunOnWorker(std::function<std::function<void()>()> job, bool quiet) {
    if (m_linkGoing)
        return;
    m_busy = true;
    // The idle watch's short looks leave the buttons as they are (they would flicker).
    if (!quiet)
        UpdateButtons();
    m_worker.Start([this, job = std::move(job)] {
        std::function<void()> done = job();
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                m_worker.Join(); // the body has ended: only this call was left
                m_busy = false;
                // After the link went, what the worker found belongs to a phone no longer shown
                // (it is in the archive all the same).
                if (m_linkGoing) {
                    if (m_progress)
                        m_progress->close();
                    return;
                }
                done();
                UpdateButtons();
            },
            Qt::QueuedConnection);
    });
}

void CMessagesView::OnRead() {
    CPhoneLink* link = Link();
    if (Busy())
        return;
    if (!m_archive) {
        SetStatus(m_archiveError.empty() ? "The message archive could not be opened."
                                         : m_archiveError);
        m_readDone = true;
        return;
    }
    if (!link || !link->IsOpen()) {
        SetStatus("Read messages error, check the connection status!");
        m_readDone = true;
        Rebuild();
        return;
    }
    m_watch->stop();
    m_cancel = false;
    m_readDone = false;
    auto* progress = new QProgressDialog(QStringLiteral("Reading messages from the SIM card..."),
                                         QStringLiteral("Cancel"), 0, 3, this);
    progress->setObjectName(QStringLiteral("messageReadProgress"));
    progress->setWindowTitle(QStringLiteral("Messages"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setValue(0);
    m_progress = progress;
    connect(progress, &QProgressDialog::canceled, this, [this] {
        m_cancel = true;
        if (m_progress)
            m_progress->setLabelText(QStringLiteral("Cancelling after the current step..."));
    });
    SetStatus("Reading messages...");
    messages::MessageArchive* archive = m_archive.get();
    // The phone book view reads the books when first shown; until then the names come from here.
    CMainFrame* frame = Frame();
    const bool readNames = frame && frame->PhonebookPending() && link->SimEntries().empty() &&
                           link->PhoneEntries().empty();
    // Made here, on the GUI thread; the worker only passes it back to it.
    QPointer<QProgressDialog> dialog = progress;
    RunOnWorker([this, link, archive, readNames, dialog]() -> std::function<void()> {
        auto result = msgview::ReadAndArchive(
            *link, *archive, m_cancel,
            [this, dialog](int step) {
                QMetaObject::invokeMethod(
                    this,
                    [dialog, step] {
                        if (!dialog || dialog->wasCanceled())
                            return;
                        if (step == 1)
                            dialog->setLabelText(
                                QStringLiteral("Reading messages from phone memory..."));
                        else if (step == 2)
                            dialog->setLabelText(
                                QStringLiteral("Reading names from the phone book..."));
                        // Last: a modal progress dialog handles events inside setValue, and may be
                        // gone when it returns.
                        dialog->setValue(step);
                    },
                    Qt::QueuedConnection);
            },
            readNames);
        return [this, result] { ShowRead(result); };
    });
}

void CMessagesView::ShowRead(const msgview::ReadResult& result) {
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    if (!result.identity.empty())
        m_identity = result.identity;
    if (!result.cancelled || !result.onPhone.empty()) {
        m_onPhone = result.onPhone;
        m_uses = result.uses;
    }
    m_readDone = true;
    Rebuild();
    std::string line;
    if (result.cancelled)
        line = "Reading messages cancelled; what was read is archived.";
    else if (!result.problems.empty())
        line = "Read messages: " + result.problems.front();
    else
        line = "Finishing reading messages: " + std::to_string(m_onPhone.size()) +
               " on the phone, all archived.";
    SetStatus(line);
    if (!result.linkLost)
        m_watch->start(watchInterval());
}

void CMessagesView::Rebuild() {
    std::vector<messages::ArchivedMessage> all;
    if (m_archive) {
        std::string error;
        if (!m_archive->All(all, error))
            SetStatus(error);
    }
    if (!m_identity.empty())
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [this](const messages::ArchivedMessage& m) {
                                     return m.entry.phone != m_identity;
                                 }),
                  all.end());
    std::vector<msgview::BookName> book;
    if (CPhoneLink* link = Link())
        for (const PhonebookList* list : {&link->SimEntries(), &link->PhoneEntries()})
            for (const auto& entry : *list)
                book.push_back({entry->number, entry->name});
    m_conversations = msgview::BuildConversations(all, m_onPhone, book, Matcher());

    const std::string summary = msgview::StorageSummary(m_uses);
    m_storageLabel->setText(summary.empty()
                                ? QStringLiteral("Messages on the phone: storage use not known")
                                : QStringLiteral("Messages on the phone: %1").arg(Q(summary)));
    const std::string warning = msgview::StorageWarning(m_uses);
    m_warningLabel->setText(Q(warning));
    m_warningLabel->setToolTip(Q(warning));
    m_warningLabel->setVisible(!warning.empty());
    ShowConversations();
}

void CMessagesView::ShowConversations() {
    const std::string keep = m_selectedTitle;
    QSignalBlocker block(m_conversationList);
    m_conversationList->clear();
    QTreeWidgetItem* current = nullptr;
    for (const auto& c : m_conversations) {
        auto* item = new QTreeWidgetItem(m_conversationList);
        item->setText(0, Q(c.Title()));
        item->setText(1, c.unread
                             ? QStringLiteral("%1 (%2 new)").arg(c.messages.size()).arg(c.unread)
                             : QString::number(c.messages.size()));
        item->setData(0, Qt::UserRole, Q(c.Title()));
        if (c.unread) {
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
        }
        if (c.Title() == keep || (!current && keep.empty()))
            current = item;
    }
    if (!current && m_conversationList->topLevelItemCount())
        current = m_conversationList->topLevelItem(0);
    m_conversationList->setCurrentItem(current);
    m_selectedTitle =
        current ? current->data(0, Qt::UserRole).toString().toStdString() : std::string();
    ShowMessages();
}

const msgview::ConversationEntry* CMessagesView::SelectedConversation() const {
    for (const auto& c : m_conversations)
        if (c.Title() == m_selectedTitle)
            return &c;
    return nullptr;
}

void CMessagesView::ShowMessages() {
    m_messageList->clear();
    m_preview->clear();
    if (const auto* c = SelectedConversation()) {
        for (size_t i = 0; i < c->messages.size(); ++i) {
            const auto& m = c->messages[i];
            auto* item = new QTreeWidgetItem(m_messageList);
            item->setText(0, m.time.empty() ? QStringLiteral("(no time)") : Q(m.time));
            std::string state = (m.incoming ? "received, " : "") + m.state;
            if (!m.delivery.empty())
                state += ", " + m.delivery;
            item->setText(1, Q(state));
            item->setText(2, Q(m.text));
            item->setToolTip(2, Q(m.text));
            item->setData(0, Qt::UserRole, static_cast<int>(i));
        }
        if (m_messageList->topLevelItemCount())
            m_messageList->setCurrentItem(
                m_messageList->topLevelItem(m_messageList->topLevelItemCount() - 1));
    }
    UpdateButtons();
}

const msgview::MessageLine* CMessagesView::SelectedMessage() const {
    const auto* c = SelectedConversation();
    QTreeWidgetItem* item = m_messageList->currentItem();
    if (!c || !item)
        return nullptr;
    const int i = item->data(0, Qt::UserRole).toInt();
    return i >= 0 && i < static_cast<int>(c->messages.size()) ? &c->messages[i] : nullptr;
}

void CMessagesView::UpdateButtons() {
    const bool idle = !Busy() && m_readDone;
    const auto* c = SelectedConversation();
    const auto* m = SelectedMessage();
    const bool anyOnPhone =
        c && std::any_of(c->messages.begin(), c->messages.end(),
                         [](const msgview::MessageLine& l) { return l.onPhone; });
    m_readButton->setEnabled(!Busy());
    m_replyButton->setEnabled(idle && c && !c->number.empty());
    m_deleteButton->setEnabled(idle && m && m->onPhone);
    m_archiveButton->setEnabled(idle && anyOnPhone);
}
