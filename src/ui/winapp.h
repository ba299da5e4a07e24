#pragma once
// Our stand-in for the GUI framework's application class. The one application object is a
// global constructed before main(), so nothing here touches Qt until Run(): Run creates the
// QApplication, calls InitInstance, runs the event loop and tears the windows down again before
// returning, so no Qt object outlives main().
#include "ui/commandline.h"

#include <QStringList>

#include <memory>

class CMainFrame;
class CSingleDocTemplate;
class QApplication;

namespace ui {
class ConnectionFacts;
}

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application object most recently constructed and not yet destroyed.
    static CWinApp* Current();

    // --help and --version are answered before a display is needed; returns the exit code.
    int Run(int argc, char** argv);

    // Start-up; false ends the program before the event loop.
    virtual bool InitInstance();
    // Destroys the windows and the document. Safe to call twice.
    virtual int ExitInstance();

    // The tail of the command route (view, document, frame, application): true when the
    // application handles the command; with execute it also runs it.
    virtual bool OnCmdMsg(int commandId, bool execute);

    virtual ui::ConnectionFacts* GetConnectionFacts();

    CMainFrame* MainFrame() const;
    CSingleDocTemplate* DocTemplate() const { return m_docTemplate.get(); }

    // The arguments InitInstance parses (without the program name); Run sets them from argv.
    void SetArguments(const QStringList& args) { m_args = args; }
    const QStringList& Arguments() const { return m_args; }

    QStringList RecentFiles() const;
    void AddToRecentFileList(const QString& path);

    void OnFileNew();
    void OnFileOpen();

protected:
    void SetRegistryKey(const QString& company);
    void LoadStdProfileSettings(int maxRecentFiles);
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    ui::CommandLineInfo ParseCommandLine() const;
    // Creates the document, frame and start view, opening the named document if there is one;
    // false (after telling the user why) ends start-up.
    bool ProcessShellCommand(const ui::CommandLineInfo& info);

private:
    QStringList m_args;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    int m_maxRecentFiles = 0;
    CWinApp* m_previous = nullptr;
};

CWinApp* AfxGetApp();
