#pragma once
// The one top-level window: menu bar, the six-button toolbar, the status line, and one view at
// a time in the client area. It owns the phone link, which it creates on first need, and runs
// the two slow reads that happen at most once per run.
#include "phonelink/messagesink.h"
#include "ui/statussink.h"
#include "ui/view.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class CPhoneLink;
class CVantrelDoc;
class QLabel;
class QMenu;
class CElidingLabel;
class CUndoOffer;
class QToolBar;

namespace ui {
class ConnectionFacts;

// What a view factory gets: the id of the view to build and, for the SMS view, the number to
// show (the phone book's "send SMS to this person").
struct ViewArgs {
    int viewId = 0;
    QString smsNumber;
};
using ViewFactory = std::function<CView*(const ViewArgs&)>;
} // namespace ui

class CMainFrame : public QMainWindow, public ui::StatusSink, public IMessageSink {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the bars; false with a reason when one of them cannot be made (missing artwork).
    bool OnCreate(QString* why);
    // The start view, made by the document template.
    void SetInitialView(CView* view, CVantrelDoc* document);

    // Views plug in here. A view id without a factory gets a placeholder form with its title.
    static void RegisterViewFactory(int viewId, ui::ViewFactory factory);
    void SetViewFactory(int viewId, ui::ViewFactory factory);

    // Where the connection facts come from; by default the application object's.
    void SetConnectionFacts(ui::ConnectionFacts* facts) { m_facts = facts; }

    // GUI thread only.
    void SetStatusText(std::string text) override;
    QString StatusText() const;
    void ShowMessage(std::string_view text) override;

    // Back to the idle prompt: a message belongs to the action that wrote it, so the next action
    // or view starts from a clean line.
    void ClearStatusText();

    // The first form shown shrinks a frame that no earlier run sized to fit it; after that (or
    // when the size was restored) the frame keeps the size the user gave it.
    void FitToFormOnce(QSize formSize);

    // An "Undo" button beside the status line for a few seconds; the next action withdraws it.
    void OfferUndo(std::function<void()> undo);
    CUndoOffer* UndoOffer() const { return m_undoOffer; }

    void SwitchView(int viewId);
    void SwitchToSmsView(QString number);
    int CurrentViewId() const { return m_currentViewId; }
    CView* CurrentView() const { return m_view; }
    CView* PhonebookView() const { return m_phonebookView; }
    CView* ImageView() const { return m_imageView; }

    // The command route: the view, the document, the frame, then the application.
    void OnCommand(int commandId);
    bool CanHandle(int commandId) const;
    // Enables each menu item and toolbar button that someone in the route handles.
    void UpdateCommandUI();
    QAction* Action(int commandId) const { return m_actions.value(commandId); }
    QToolBar* ToolBar() const { return m_toolBar; }

    // Re-reads the fly-by prompts from the string tables (after a change of language variant).
    void RefreshPrompts();

    CPhoneLink* PhoneLink() const { return m_phoneLink.get(); }
    // Another phone is being chosen (Connect to phone...): the link and everything read over it
    // go, and the start view comes back, so nothing of the old phone is shown as the new one's.
    void ForgetPhone();
    void EnsurePhoneLink();
    void EnsurePhonebookRead();
    void EnsureMelodiesRead();
    bool PhonebookPending() const { return m_phonebookPending; }
    bool MelodiesPending() const { return m_melodiesPending; }
    // Why the melody read failed (the link's reason), empty after a good read or before any.
    const std::string& MelodyReadFailure() const { return m_melodyReadFailure; }

    // The phone book read runs behind the reading progress dialog; until that dialog is plugged
    // in here the read runs directly. The function reports a failure on the status line itself.
    using PhonebookReader = std::function<void(CMainFrame&)>;
    static void SetPhonebookReader(PhonebookReader reader);

    static QString WebAddress();

    // The File menu's contacts commands (export, import, backup, restore) run here; the phone
    // book library plugs them in. Without one the items stay disabled.
    using FileCommandHandler = std::function<void(CMainFrame&, int commandId)>;
    static void SetFileCommandHandler(FileCommandHandler handler);

    // Called every two seconds while a phone link exists and no dialog or menu is open: the
    // messages library looks at the idle link there for messages the phone announced.
    using IdleWatch = std::function<void(CMainFrame&)>;
    static void SetIdleWatch(IdleWatch watch);

signals:
    // Every text the status line is given, in order (a log of the connection steps).
    void StatusTextChanged(const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(int id, const QString& text, const QList<QKeySequence>& keys = {});
    void buildMenus();
    // "Connect to phone..." at the top of File, "Phone information" in Help; the application
    // object handles both.
    void addConnectionCommands(QMenu* file, QMenu* help);
    void buildStatusBar();
    bool frameHandles(int commandId) const;
    void runFrameCommand(int commandId);
    void showView(int viewId, const QString& smsNumber);
    void focusNextPane(bool forward);
    void setToolTips();
    void placeView(CView* view);
    bool connected() const;
    ui::ConnectionFacts* facts() const;

    std::unique_ptr<CPhoneLink> m_phoneLink;
    bool m_phonebookPending = true;
    bool m_melodiesPending = true;
    std::string m_melodyReadFailure;
    bool m_sizedByUser = false;
    QSize m_pendingFit;
    int m_currentViewId;
    QPointer<CView> m_phonebookView;
    QPointer<CView> m_imageView;
    QPointer<CView> m_view;
    CVantrelDoc* m_document = nullptr;

    QToolBar* m_toolBar = nullptr;
    CElidingLabel* m_messagePane = nullptr;
    CUndoOffer* m_undoOffer = nullptr;
    QHash<int, QLabel*> m_indicators;
    QHash<int, QAction*> m_actions;
    std::map<int, ui::ViewFactory> m_factories;
    ui::ConnectionFacts* m_facts = nullptr;
};
