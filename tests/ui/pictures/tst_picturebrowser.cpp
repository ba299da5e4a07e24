// The picture browser in the real frame, uploading to the demo phone's push receiver.
#include "bluetooth/upload/imageright.h"
#include "bluetooth/upload/registerpictures.h"
#include "btstack/backend.h"
#include "btstack/sim/simbackend.h"
#include "picturetestsupport.h"
#include "platform/registry.h"
#include "ui/connectionfacts.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/pictures/imageleft.h"
#include "ui/pictures/imageview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

#include <memory>

using picturetest::EncodePicture;
using picturetest::Pattern;
using picturetest::WriteFile;

namespace {

constexpr char kPictureKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune";
constexpr int kWaitMs = 20000;

struct DemoFacts : ui::ConnectionFacts {
    uint8_t channel = 10; // the first demo phone's push service
    bool DeviceFound() const override { return true; }
    int16_t ComPort() const override { return 0; }
    std::array<uint8_t, 6> PhoneAddress() const override { return btstack::SimBackend::DemoPhoneAddress(); }
    std::string DeviceName() const override { return "T68 demo phone"; }
    uint8_t ObexChannel() const override { return channel; }
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class PictureBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void treeListsEachModelFolderSorted();
    void selectionPreviewsOnceAndModelItemsChangeNothing();
    void largePictureScaledDownToFitSmallOneNeverUp();
    void missingFolderSettingLeavesModelsEmptyAndSaysWhere();
    void uploadArrivesByteIdentical_data();
    void uploadArrivesByteIdentical();
    void uploadFailuresAreReported_data();
    void uploadFailuresAreReported();
    void secondUploadWhileOneRunsIsRefused();
    void leavingTheBrowserCancelsTheUpload();
    void uploadButtonOnlyInTheBrowser();
    void splitterBorderLiesOutsideTheView();

private:
    CImageView* showBrowser();
    CImageRight* right() const;
    CImageLeft* left() const;
    void select(const QString& path);
    QString received() const { return QString::fromStdString(m_backend->ReceivedDir()) + "/Dunmere.gif"; }

    QTemporaryDir m_dir;
    QString m_pictures;
    DemoFacts m_facts;
    std::shared_ptr<btstack::SimBackend> m_backend;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<picturetest::MessageRecorder> m_messages;
};

void PictureBrowserTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    btstack::SimOptions options;
    options.dataDir = (m_dir.path() + "/phone").toStdString();
    options.receivedDir = (m_dir.path() + "/received").toStdString();
    m_backend = std::make_shared<btstack::SimBackend>(options);
    btstack::SetBackend(m_backend);
    RegisterPictureViews(&m_facts);
    m_frame = std::make_unique<CMainFrame>();
    QString why;
    QVERIFY2(m_frame->OnCreate(&why), qPrintable(why));
    m_frame->SetConnectionFacts(&m_facts);
    m_frame->resize(640, 400);
    m_frame->show();
}

void PictureBrowserTest::cleanupTestCase() {
    m_frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    btstack::SetBackend(nullptr);
    m_backend.reset();
}

void PictureBrowserTest::init() {
    m_messages = std::make_unique<picturetest::MessageRecorder>();
    m_facts.channel = 10;
    m_pictures = m_dir.path() + "/pictures";
    QDir(m_pictures).removeRecursively();
    QDir().mkpath(m_pictures + "/T39");
    QDir().mkpath(m_pictures + "/T68");
    QFile::remove(received());
    platform::Registry::Instance().Clear();
    platform::Registry::Instance().SetString(kPictureKey, "Dir", m_pictures.toStdString());
}

void PictureBrowserTest::cleanup() {
    // Leave with no push running, so the next test starts from idle.
    if (CImageRight* pane = right(); pane && pane->Uploading()) {
        QSignalSpy finished(pane, &CImageRight::UploadFinished);
        finished.wait(kWaitMs);
    }
    m_frame->SwitchView(ui::VIEW_MELODIES);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_messages.reset();
}

CImageView* PictureBrowserTest::showBrowser() {
    if (m_frame->CurrentViewId() == ui::VIEW_PICTURES)
        m_frame->SwitchView(ui::VIEW_MELODIES);
    m_frame->OnCommand(ui::ID_SHOW_PICTURES);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return qobject_cast<CImageView*>(m_frame->CurrentView());
}

CImageRight* PictureBrowserTest::right() const {
    auto* view = qobject_cast<CImageView*>(m_frame->CurrentView());
    return view ? qobject_cast<CImageRight*>(view->GetRightPane()) : nullptr;
}

CImageLeft* PictureBrowserTest::left() const {
    auto* view = qobject_cast<CImageView*>(m_frame->CurrentView());
    return view ? view->GetLeftPane() : nullptr;
}

void PictureBrowserTest::select(const QString& path) {
    CImageLeft* tree = left();
    QVERIFY(tree);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (CImageLeft::ItemPath(*it) == path) {
            tree->setCurrentItem(*it);
            return;
        }
    }
    QFAIL(qPrintable("no tree item for " + path));
}

void PictureBrowserTest::treeListsEachModelFolderSorted() {
    // Created in an order unlike the sorted one; the file system reports them as it likes.
    for (const char* name : {"zebra.gif", "Apple.bmp", "mango.jpg", "apple.png", "Banana.gif"})
        WriteFile(m_pictures + "/T68", name, "x");
    QDir().mkpath(m_pictures + "/T68/album/inner");

    QVERIFY(showBrowser());
    CImageLeft* tree = left();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), "T39");
    QCOMPARE(tree->topLevelItem(1)->text(0), "T68");
    QCOMPARE(tree->topLevelItem(0)->childCount(), 0);
    QVERIFY(!tree->topLevelItem(1)->isExpanded());

    QTreeWidgetItem* t68 = tree->ModelItem("T68");
    QStringList names, paths;
    for (int i = 0; i < t68->childCount(); ++i) {
        names << t68->child(i)->text(0);
        paths << CImageLeft::ItemPath(t68->child(i));
        QCOMPARE(t68->child(i)->childCount(), 0);
    }
    QCOMPARE(names, (QStringList{"album", "Apple.bmp", "apple.png", "Banana.gif", "mango.jpg", "zebra.gif"}));
    QCOMPARE(paths.first(), m_pictures + "/T68/album");
    QCOMPARE(CImageLeft::ItemPath(t68), "T68");
    QVERIFY(!m_frame->StatusText().contains("No pictures"));
}

void PictureBrowserTest::selectionPreviewsOnceAndModelItemsChangeNothing() {
    const QString blue = WriteFile(m_pictures + "/T39", "blue.png", EncodePicture(30, 20, "PNG", Qt::blue));
    const QString text = WriteFile(m_pictures + "/T39", "notes.gif", "plain text");
    const QString gone = WriteFile(m_pictures + "/T39", "gone.gif", "x");
    QVERIFY(showBrowser());
    QFile::remove(gone);

    select(blue);
    CImageRight* pane = right();
    QCOMPARE(pane->PicturePath(), blue);
    QVERIFY(pane->HasPreview());
    QCOMPARE(pane->PreviewSize(), QSize(30, 20));
    // The preview stays through later paints.
    for (int i = 0; i < 2; ++i) {
        const QImage shot = pane->grab().toImage();
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(29, 19), QColor(Qt::blue));
        QVERIFY(shot.pixelColor(31, 21) != QColor(Qt::blue));
    }

    select("T39");
    QCOMPARE(pane->PicturePath(), blue);
    QVERIFY(pane->HasPreview());

    select(text);
    QVERIFY(!pane->HasPreview());
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(pane->PreviewProblem(), QStringLiteral("The file is not a picture (GIF, JPEG, BMP or PNG)."));

    // The loader's message comes once per selection, however often the pane is painted.
    select(gone);
    pane->grab();
    pane->repaint();
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages[0].caption, "CPicture Error");
    QVERIFY(m_messages->messages[0].text.contains(gone));
}

void PictureBrowserTest::largePictureScaledDownToFitSmallOneNeverUp() {
    const QString large = WriteFile(m_pictures + "/T39", "large.png", EncodePicture(3000, 2000, "PNG", Qt::red));
    const QString small = WriteFile(m_pictures + "/T39", "small.png", EncodePicture(30, 20, "PNG", Qt::red));
    QVERIFY(showBrowser());
    select(large);
    CImageRight* pane = right();
    QVERIFY(pane->HasPreview());
    const QRect shown = pane->PreviewRect();
    QVERIFY(pane->rect().contains(shown));
    QVERIFY(qAbs(shown.width() * 2000 / 3000 - shown.height()) <= 1); // the aspect ratio kept
    QVERIFY(shown.width() < 3000);
    select(small);
    QCOMPARE(pane->PreviewRect().size(), QSize(30, 20));
}

void PictureBrowserTest::missingFolderSettingLeavesModelsEmptyAndSaysWhere() {
    WriteFile(m_pictures + "/T68", "a.gif", "x");
    platform::Registry::Instance().Clear();
    QVERIFY(showBrowser());
    QCOMPARE(left()->topLevelItemCount(), 2);
    QCOMPARE(left()->topLevelItem(0)->childCount(), 0);
    QCOMPARE(left()->topLevelItem(1)->childCount(), 0);
    QVERIFY2(m_frame->StatusText().contains("\"Dir\" under HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune"),
             qPrintable(m_frame->StatusText()));

    // A setting that names a folder without the model subfolders says which folder it looked for.
    platform::Registry::Instance().SetString(kPictureKey, "Dir", (m_dir.path() + "/elsewhere").toStdString());
    QVERIFY(showBrowser());
    QCOMPARE(left()->topLevelItem(1)->childCount(), 0);
    QVERIFY2(m_frame->StatusText().contains(m_dir.path() + "/elsewhere/T39"), qPrintable(m_frame->StatusText()));
    QVERIFY(m_messages->messages.isEmpty());

    // One model's folder is enough: the other phone's missing folder is no fault.
    QDir().mkpath(m_dir.path() + "/elsewhere/T68");
    WriteFile(m_dir.path() + "/elsewhere/T68", "b.gif", "x");
    QVERIFY(showBrowser());
    QCOMPARE(left()->topLevelItem(1)->childCount(), 1);
    QVERIFY2(!m_frame->StatusText().contains("No pictures"), qPrintable(m_frame->StatusText()));
}

void PictureBrowserTest::uploadArrivesByteIdentical_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("puts");
    QTest::newRow("empty file: one final empty PUT") << QByteArray() << "empty.gif" << 1;
    QTest::newRow("599 bytes: one final PUT") << Pattern(599) << "p599.gif" << 1;
    QTest::newRow("600 bytes: 599 then 1") << Pattern(600) << "p600.gif" << 2;
    QTest::newRow("1198 bytes: two of 599") << Pattern(1198) << "p1198.gif" << 2;
    const QByteArray jpeg = EncodePicture(64, 48, "JPEG", Qt::darkGreen);
    QTest::newRow("a JPEG keeps the fixed name") << jpeg << "photo.jpg" << int((jpeg.size() + 598) / 599);
}

void PictureBrowserTest::uploadArrivesByteIdentical() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, puts);
    const QString path = WriteFile(m_pictures + "/T68", name, bytes);
    QVERIFY(showBrowser());
    select(path);
    QSignalSpy finished(right(), &CImageRight::UploadFinished);
    const int putsBefore = m_backend->PushPutRequests();
    QStringList progress;
    connect(m_frame.get(), &CMainFrame::StatusTextChanged, this, [&progress](const QString& line) {
        if (line.contains(QStringLiteral(" bytes (")))
            progress << line;
    });

    m_frame->OnCommand(ui::ID_UPLOAD_PICTURE);
    QVERIFY(finished.wait(kWaitMs));
    disconnect(m_frame.get(), &CMainFrame::StatusTextChanged, this, nullptr);

    QCOMPARE(finished.first().at(0).toBool(), true);
    // One progress line per chunk, the last one the whole file.
    QCOMPARE(progress.size(), bytes.isEmpty() ? 0 : puts);
    if (!bytes.isEmpty())
        QVERIFY2(progress.last().endsWith(QStringLiteral("%1 of %1 bytes (100 %)").arg(bytes.size())),
                 qPrintable(progress.last()));
    QCOMPARE(m_frame->StatusText(), "Picture sent to T68 demo phone");
    QVERIFY(QFile::exists(received()));
    QCOMPARE(readAll(received()), bytes);
    QCOMPARE(m_backend->PushPutRequests() - putsBefore, puts);
    QVERIFY(m_messages->messages.isEmpty());
}

void PictureBrowserTest::uploadFailuresAreReported_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no OBEX channel found yet") << "channel0" << "RFCOMM Interface failed to assign SCN 0 with GUID";
    QTest::newRow("nothing selected") << "noselection" << "no picture is selected";
    QTest::newRow("file gone before the push") << "filegone" << "No such file";
    QTest::newRow("a folder selected") << "folder" << "folder";
    QTest::newRow("no push service on the channel") << "wrongchannel" << "connecting to the phone failed";
    QTest::newRow("phone refuses the object") << "refuse" << "sending the picture failed (the phone refused, response 0xC3 Forbidden)";
    QTest::newRow("phone drops mid-object") << "drop" << "the phone dropped the connection";
}

void PictureBrowserTest::uploadFailuresAreReported() {
    QFETCH(QString, failure);
    QFETCH(QString, expected);
    const QString path = WriteFile(m_pictures + "/T68", "pic.gif", Pattern(1500));
    QDir().mkpath(m_pictures + "/T68/folder");
    QVERIFY(showBrowser());
    if (failure == "channel0")
        m_facts.channel = 0;
    else if (failure == "wrongchannel")
        m_facts.channel = 3;
    else if (failure == "refuse")
        m_backend->RefuseNextPush(0xC3);
    else if (failure == "drop")
        m_backend->DropNextPushAfter(2);
    if (failure == "folder")
        select(m_pictures + "/T68/folder");
    else if (failure != "noselection")
        select(path);
    if (failure == "filegone")
        QFile::remove(path);
    m_messages->messages.clear();
    QSignalSpy finished(right(), &CImageRight::UploadFinished);

    m_frame->OnCommand(ui::ID_UPLOAD_PICTURE);
    if (failure != "channel0") {
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.first().at(0).toBool(), false);
        QCOMPARE(m_frame->StatusText(), "Picture not sent");
    }
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY2(m_messages->messages[0].text.contains(expected), qPrintable(m_messages->messages[0].text));
    QCOMPARE(m_messages->messages[0].caption, "DUNMERE Harlune");
    QVERIFY(!right()->Uploading());
    // Nothing, not even a tail of the file, is stored as the picture.
    QVERIFY(!QFile::exists(received()));
}

void PictureBrowserTest::secondUploadWhileOneRunsIsRefused() {
    const QByteArray bytes = Pattern(1024 * 1024);
    const QString path = WriteFile(m_pictures + "/T68", "big.gif", bytes);
    QVERIFY(showBrowser());
    select(path);
    QSignalSpy finished(right(), &CImageRight::UploadFinished);
    m_frame->OnCommand(ui::ID_UPLOAD_PICTURE);
    m_frame->OnCommand(ui::ID_UPLOAD_PICTURE);
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY(m_messages->messages[0].text.contains("already being sent"));
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(readAll(received()), bytes);
}

void PictureBrowserTest::leavingTheBrowserCancelsTheUpload() {
    const QByteArray bytes = Pattern(4 * 1024 * 1024);
    const QString path = WriteFile(m_pictures + "/T68", "huge.gif", bytes);
    QVERIFY(showBrowser());
    select(path);
    QPointer<CImageRight> pane = right();
    m_frame->OnCommand(ui::ID_UPLOAD_PICTURE);
    QVERIFY(pane->Uploading());

    m_frame->SwitchView(ui::VIEW_MELODIES);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(pane.isNull());
    const QString statusDuring = m_frame->StatusText();
    // Whatever the stack was doing, nothing reaches the deleted pane or the user afterwards.
    QTest::qWait(300);
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(m_frame->StatusText(), statusDuring);
    qInfo("picture %s when the browser was left", QFile::exists(received()) ? "had arrived" : "had not arrived");
    // A cut-off push never leaves a partial picture behind.
    if (QFile::exists(received()))
        QCOMPARE(readAll(received()), bytes);
}

void PictureBrowserTest::uploadButtonOnlyInTheBrowser() {
    QVERIFY(showBrowser());
    QVERIFY(m_frame->Action(ui::ID_UPLOAD_PICTURE)->isEnabled());
    m_frame->SwitchView(ui::VIEW_MELODIES);
    QVERIFY(!m_frame->Action(ui::ID_UPLOAD_PICTURE)->isEnabled());
}

void PictureBrowserTest::splitterBorderLiesOutsideTheView() {
    CImageView* view = showBrowser();
    QVERIFY(view);
    for (const QSize size : {QSize(500, 300), QSize(800, 520)}) {
        m_frame->resize(size + QSize(0, 120));
        QCoreApplication::processEvents();
        const QRect splitter = view->Splitter()->geometry();
        QVERIFY(splitter.left() < 0 && splitter.top() < 0);
        QCOMPARE(splitter.right() + splitter.left(), view->width() - 1);
        QCOMPARE(splitter.bottom() + splitter.top(), view->height() - 1);
    }
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    PictureBrowserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_picturebrowser.moc"
