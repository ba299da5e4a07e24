// Screenshot driver (not a test): the frame showing the picture browser over the demo phone,
// with the shipped pictures listed and one of them previewed. Optional argument: the file name
// to select (default sunset.jpg).
#include "bluetooth/upload/registerpictures.h"
#include "btstack/backend.h"
#include "btstack/sim/simbackend.h"
#include "platform/registry.h"
#include "ui/connectionfacts.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/pictures/imageleft.h"
#include "ui/pictures/imageview.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

namespace {
struct DemoFacts : ui::ConnectionFacts {
    bool DeviceFound() const override { return true; }
    int16_t ComPort() const override { return 0; }
    std::array<uint8_t, 6> PhoneAddress() const override { return btstack::SimBackend::DemoPhoneAddress(); }
    std::string DeviceName() const override { return "T68 demo phone"; }
    uint8_t ObexChannel() const override { return 10; }
};
} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    QApplication app(argc, argv);
    const QString select = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sunset.jpg");

    btstack::SimOptions options;
    options.dataDir = (home.path() + "/phone").toStdString();
    btstack::SetBackend(std::make_shared<btstack::SimBackend>(options));
    platform::Registry::Instance().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune", "Dir",
                                             HARLUNE_PICTURE_DIR);
    DemoFacts facts;
    RegisterPictureViews(&facts);

    CMainFrame frame;
    QString why;
    if (!frame.OnCreate(&why))
        qFatal("%s", qPrintable(why));
    frame.SetConnectionFacts(&facts);
    frame.resize(560, 400);
    frame.show();
    frame.OnCommand(ui::ID_SHOW_PICTURES);
    auto* view = qobject_cast<CImageView*>(frame.CurrentView());
    CImageLeft* tree = view->GetLeftPane();
    tree->expandAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == select)
            tree->setCurrentItem(*it);
    tree->setFocus();
    frame.SetStatusText("Picture sent to T68 demo phone");
    const int rc = app.exec();
    btstack::SetBackend(nullptr);
    return rc;
}
