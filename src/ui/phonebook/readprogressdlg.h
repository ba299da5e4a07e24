#pragma once
// The window in front of the frame while the whole phone book is read, the first time it is
// needed in a run: two labelled bars, one per storage, moved by the phone link as it reads. The
// read starts from a timer about a second after the window shows, and the window closes itself
// when the read returns.
#include "phonelink/readprogress.h"

#include <QDialog>
#include <QString>

#include <functional>

class CMainFrame;
class QLabel;
class QProgressBar;

class CReadProgressDlg : public QDialog, public IReadProgress {
    Q_OBJECT
public:
    explicit CReadProgressDlg(CMainFrame* frame);
    ~CReadProgressDlg() override;

    IProgressSink* SimProgress() override;
    IProgressSink* PhoneProgress() override;
    // Lets Escape and the window's close reach the window between two listing commands.
    bool StopRequested() override;

    QProgressBar* SimBar() const { return m_simProgress; }
    QProgressBar* PhoneBar() const { return m_phoneProgress; }
    // What the read left for the status line: empty after a full read.
    QString Outcome() const { return m_outcome; }
    bool ReadDone() const { return m_readDone; }

    // The pause before the read; tests and screenshots shorten or lengthen it.
    static void SetStartDelay(int milliseconds);
    static int StartDelay();
    // Called with every progress window as it shows; tests watch the bars through it.
    static void SetShownHook(std::function<void(CReadProgressDlg*)> hook);

    static QString FailureLine() { return QStringLiteral("Read phone book error, check the connection status!"); }

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

public slots:
    // Enter never ends the window before the read. Escape (and the window's close) stops the
    // read at the next listing command: what was read stays listed, the rest is marked not read,
    // and the window closes once the link has returned.
    void reject() override;
    void accept() override;

private:
    class BarSink;
    void OnTimer();

    CMainFrame* m_frame;
    QProgressBar* m_simProgress;
    QProgressBar* m_phoneProgress;
    QLabel* m_simLabel;
    QLabel* m_phoneLabel;
    BarSink* m_simSink;
    BarSink* m_phoneSink;
    int m_timer = 0;
    bool m_readDone = false;
    bool m_reading = false;
    bool m_stopRequested = false;
    QString m_outcome;
};
