#include "winapp.h"

#include "ui/doctemplate.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages.h"
#include "ui/singleinstance.h"
#include "ui/strings.h"

#include <QApplication>
#include <QFileDialog>
#include <QSettings>

#include <cstdio>

namespace {
CWinApp* s_current = nullptr;
constexpr auto kRecentGroup = "Recent File List";
} // namespace

CWinApp::CWinApp() : m_previous(s_current) { s_current = this; }

CWinApp::~CWinApp() {
    if (s_current == this)
        s_current = m_previous;
}

CWinApp* CWinApp::Current() { return s_current; }
CWinApp* AfxGetApp() { return CWinApp::Current(); }

int CWinApp::Run(int argc, char** argv) {
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    if (ui::WantsInfoOnly(raw)) {
        const ui::CommandLineInfo info = ui::ParseCommandLine(raw);
        const QString text = info.showHelp ? ui::UsageText(QString::fromLocal8Bit(argc > 0 ? argv[0] : "harlune"))
                                           : ui::VersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(ui::Strings::Instance().Load(ui::AFX_IDS_APP_TITLE));
    QApplication::setApplicationVersion(ui::VersionNumber());
    m_args = QApplication::arguments().mid(1);
    ui::SingleInstance instance([this] {
        if (CMainFrame* frame = MainFrame()) {
            frame->setWindowState((frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            frame->show();
            frame->raise();
            frame->activateWindow();
        }
    });
    if (!instance.Claim()) {
        std::fputs("harlune: already running; the open window was brought forward\n", stderr);
        return 0;
    }
    const int code = InitInstance() ? QApplication::exec() : 1;
    ExitInstance();
    return code;
}

bool CWinApp::InitInstance() { return true; }

int CWinApp::ExitInstance() {
    m_docTemplate.reset();
    return 0;
}

bool CWinApp::OnCmdMsg(int commandId, bool execute) {
    switch (commandId) {
    case ui::ID_FILE_NEW:
        if (execute)
            OnFileNew();
        return true;
    case ui::ID_FILE_OPEN:
        if (execute)
            OnFileOpen();
        return true;
    default:
        return false;
    }
}

ui::ConnectionFacts* CWinApp::GetConnectionFacts() { return nullptr; }

CMainFrame* CWinApp::MainFrame() const { return m_docTemplate ? m_docTemplate->Frame() : nullptr; }

void CWinApp::SetRegistryKey(const QString& company) { QCoreApplication::setOrganizationName(company); }

void CWinApp::LoadStdProfileSettings(int maxRecentFiles) { m_maxRecentFiles = maxRecentFiles; }

QStringList CWinApp::RecentFiles() const {
    QSettings settings;
    settings.beginGroup(QLatin1String(kRecentGroup));
    QStringList files;
    for (int i = 1; i <= m_maxRecentFiles; ++i) {
        const QString file = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

void CWinApp::AddToRecentFileList(const QString& path) {
    if (m_maxRecentFiles <= 0 || path.isEmpty())
        return;
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    QSettings settings;
    settings.beginGroup(QLatin1String(kRecentGroup));
    for (int i = 1; i <= m_maxRecentFiles; ++i) {
        if (i <= files.size())
            settings.setValue(QStringLiteral("File%1").arg(i), files[i - 1]);
        else
            settings.remove(QStringLiteral("File%1").arg(i));
    }
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) { m_docTemplate = std::move(docTemplate); }

ui::CommandLineInfo CWinApp::ParseCommandLine() const { return ui::ParseCommandLine(m_args); }

bool CWinApp::ProcessShellCommand(const ui::CommandLineInfo& info) {
    if (!m_docTemplate)
        return false;
    QString error;
    const QString path = info.shellCommand == ui::CommandLineInfo::Shell::FileOpen ? info.fileName : QString();
    if (!m_docTemplate->OpenDocumentFile(path, &error)) {
        ui::ShowErrorMessage(nullptr, error);
        return false;
    }
    AddToRecentFileList(path);
    return true;
}

void CWinApp::OnFileNew() {
    if (m_docTemplate)
        m_docTemplate->OpenDocumentFile(QString(), nullptr);
}

void CWinApp::OnFileOpen() {
    if (!m_docTemplate)
        return;
    const QString path = QFileDialog::getOpenFileName(MainFrame(), QStringLiteral("Open"), QString(),
                                                      QStringLiteral("All Files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (m_docTemplate->OpenDocumentFile(path, &error))
        AddToRecentFileList(path);
    else
        ui::ShowErrorMessage(MainFrame(), error);
}
