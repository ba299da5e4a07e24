#pragma once
// Shared set-up of the window tests: an offscreen platform, private configuration and data
// folders (removed at exit), and a way to drive modal dialogs from inside their own loop.
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace testsupport {

// Call before the QApplication exists.
void PrepareEnvironment(QTemporaryDir& home);

// Runs action on the first modal window that shows up within timeoutMs; returns at once (the
// action runs later, from the event loop the modal window spins). The watcher is gone (null)
// once it acted or gave up.
QPointer<QTimer> WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 10000);
// Drops every watcher still waiting, so none acts on a later test's windows.
void StopWatchers();

} // namespace testsupport

#define HARLUNE_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv) {                                                                                  \
        QTemporaryDir home;                                                                                            \
        testsupport::PrepareEnvironment(home);                                                                         \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
