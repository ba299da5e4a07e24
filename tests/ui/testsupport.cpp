#include "testsupport.h"

#include <QElapsedTimer>

namespace testsupport {

void PrepareEnvironment(QTemporaryDir& home) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qputenv("LANG", "en_US.UTF-8");
    // The machine's own USB modems stay out of the device dialog under test.
    qputenv("HARLUNE_SERIAL_PORTS", "none");
}

namespace {
// Owned by the application, so the watchers go with it.
QObject& watchers() {
    static QObject* parent = new QObject(qApp);
    return *parent;
}
} // namespace

void StopWatchers() { qDeleteAll(watchers().children()); }

QPointer<QTimer> WhenModal(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* timer = new QTimer(&watchers());
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, timeoutMs, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (clock.elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            qWarning("no modal window appeared");
        }
    });
    timer->start(10);
    return timer;
}

} // namespace testsupport
