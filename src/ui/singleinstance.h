#pragma once
// One running program per user: two instances would open two links to one phone and each would
// overwrite the other's changes. The first start listens on a local socket in the user's runtime
// folder; a later start finds it, asks it to come forward and exits.
#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace ui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `raise` runs in the first instance whenever a later start knocks.
    explicit SingleInstance(std::function<void()> raise, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance (it now listens); false when another one answered,
    // which has then been asked to come forward.
    bool Claim();

    // The socket's path: the runtime folder (XDG_RUNTIME_DIR), else the temporary folder with
    // the user's id, so that users never meet.
    static QString SocketPath();

private:
    bool knock() const;

    std::function<void()> m_raise;
    QLocalServer* m_server = nullptr;
};

} // namespace ui
