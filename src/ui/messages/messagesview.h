#pragma once
// The Messages view (170): conversations by number on the left, the chosen one's messages on
// the right, how full the phone's storages are on top. Every exchange with the phone runs on the
// view's worker; the GUI thread only shows results. What was read is in the archive before it
// is shown, and a message leaves the phone only after the archive holds it.
#include "ui/view.h"

#include "conversations.h"
#include "messagejobs.h"
#include "platform/worker.h"

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class CMainFrame;
class CPhoneLink;
class QLabel;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QTimer;
class QTreeWidget;

class CMessagesView : public CView {
    Q_OBJECT
public:
    explicit CMessagesView(QWidget* parent = nullptr);
    ~CMessagesView() override;

    void OnInitialUpdate() override;
    void OnPhoneLinkGoing() override;
    // While the worker is in an exchange, every command that would use the link on the GUI
    // thread (another view, the phone's information, the File menu's phone commands) is held
    // here with a sentence instead of meeting the worker on the port.
    bool HandlesCommand(int commandId) const override;
    void OnCommand(int commandId) override;

    void OnRead();
    void OnReply();
    void OnDelete();
    void OnMoveToArchive();

    bool Busy() const { return m_worker.Running() || m_busy; }
    // True once a read finished (or failed) and its result is shown.
    bool ReadDone() const { return m_readDone; }
    const std::vector<msgview::ConversationEntry>& Conversations() const { return m_conversations; }
    const std::vector<SmsStorageUse>& StorageUses() const { return m_uses; }

    QTreeWidget* ConversationList() const { return m_conversationList; }
    QTreeWidget* MessageList() const { return m_messageList; }
    QPlainTextEdit* MessageText() const { return m_preview; }
    QLabel* StorageLabel() const { return m_storageLabel; }
    QLabel* WarningLabel() const { return m_warningLabel; }
    QPushButton* ReplyButton() const { return m_replyButton; }
    QPushButton* DeleteButton() const { return m_deleteButton; }
    QPushButton* ArchiveButton() const { return m_archiveButton; }

    // How often the idle link is looked at for new messages; tests shorten it.
    static void SetWatchInterval(int milliseconds);
    // The reply dialog's text, for tests (a modal dialog cannot be typed into from outside).
    using ComposeHook = std::function<bool(const QString& recipient, QString& text)>;
    static void SetComposeHook(ComposeHook hook);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static int WatchInterval();
    static ComposeHook& Hook();
    CMainFrame* Frame() const;
    CPhoneLink* Link() const;
    void SetStatus(const std::string& text);
    // Runs job on the worker and then done on the GUI thread (unless the view is gone by then).
    void RunOnWorker(std::function<std::function<void()>()> job, bool quiet = false);
    void ShowRead(const msgview::ReadResult& result);
    void Rebuild();
    void ShowConversations();
    void ShowMessages();
    void UpdateButtons();
    void OnWatchTick();
    const msgview::MessageLine* SelectedMessage() const;
    const msgview::ConversationEntry* SelectedConversation() const;
    std::vector<StoredSms> SlotsOf(const std::vector<const msgview::MessageLine*>& lines) const;
    void Remove(const std::vector<StoredSms>& phoneSlots, const QString& what);

    std::unique_ptr<messages::MessageArchive> m_archive;
    std::string m_archiveError;
    std::string m_identity;
    std::vector<StoredSms> m_onPhone;
    std::vector<SmsStorageUse> m_uses;
    std::vector<msgview::ConversationEntry> m_conversations;
    std::string m_selectedTitle; // the chosen conversation's
    bool m_readDone = false;
    bool m_busy = false;
    bool m_linkGoing = false;
    int m_quietTicks = 0;
    std::atomic<bool> m_cancel{false};
    platform::Worker m_worker;
    QPointer<QProgressDialog> m_progress;
    QTimer* m_watch;

    QLabel* m_storageLabel;
    QLabel* m_warningLabel;
    QTreeWidget* m_conversationList;
    QTreeWidget* m_messageList;
    QPlainTextEdit* m_preview;
    QPushButton* m_readButton;
    QPushButton* m_replyButton;
    QPushButton* m_deleteButton;
    QPushButton* m_archiveButton;
};
