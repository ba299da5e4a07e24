// Grabs every view of the frame over the demo phone, for looking at them (not a test):
//   desktop_shots OUTDIR TAG [WIDTHxHEIGHT | min] [--dark]
// Writes OUTDIR/TAG-start.png, -phonebook.png, -melodies.png, -sms.png, -pictures.png. Run
// with QT_SCALE_FACTOR=2 for high density.
#include "../melody/viewharness.h"

#include "bluetooth/upload/registerpictures.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/registration.h"
#include "ui/phonebook/phonebookleft.h"
#include "ui/phonebook/phonebookview.h"
#include "ui/phonebook/readprogressdlg.h"
#include "ui/phonebook/registerphonebook.h"
#include "ui/sms/registration.h"
#include "ui/vantrelview.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::Button, QColor(55, 55, 58));
    p.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(55, 55, 58));
    p.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: desktop_shots OUTDIR TAG [WIDTHxHEIGHT | min] [--dark]\n", stderr);
        return 2;
    }
    QTemporaryDir home;
    viewtest::PrepareEnvironment(home);
    QApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const QString size = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("1000x750");
    if (argc > 4 && std::strcmp(argv[4], "--dark") == 0) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    RegisterPhonebookViews();
    RegisterMelodyView();
    RegisterSmsView();
    RegisterPictureViews();
    CReadProgressDlg::SetStartDelay(0);

    viewtest::ViewHarness harness;
    QString why;
    if (!harness.Start(&why)) {
        std::fprintf(stderr, "desktop_shots: %s\n", qPrintable(why));
        return 1;
    }
    CMainFrame* frame = harness.Frame();
    frame->SetInitialView(new CVantrelView, nullptr);
    frame->show();
    if (size == QStringLiteral("min"))
        frame->resize(1, 1);
    else
        frame->resize(size.section(u'x', 0, 0).toInt(), size.section(u'x', 1, 1).toInt());
    QTest::qWait(300);
    QDir().mkpath(dir);
    auto grab = [&](const char* name) {
        QTest::qWait(200);
        frame->grab().save(QStringLiteral("%1/%2-%3.png").arg(dir, tag, QLatin1String(name)));
    };
    grab("start");
    frame->SwitchView(ui::VIEW_PHONEBOOK);
    if (auto* view = qobject_cast<CPhonebookView*>(frame->CurrentView()))
        if (QTreeWidgetItem* sim = view->Left()->ItemByLabel(QStringLiteral("SIM Phonebook")))
            view->Left()->setCurrentItem(sim);
    grab("phonebook");
    frame->SwitchView(ui::VIEW_MELODIES);
    grab("melodies");
    frame->SwitchView(ui::VIEW_SMS);
    if (auto* text = frame->CurrentView()->findChild<QPlainTextEdit*>(QStringLiteral("control1003")))
        text->setPlainText(QStringLiteral("Meet at the station at eight; bring the tickets and the map, "
                                          "the train leaves from platform 4. Grüße, Zoë €"));
    grab("sms");
    frame->SwitchView(ui::VIEW_PICTURES);
    grab("pictures");
    std::printf("%dx%d\n", frame->width(), frame->height());
    return 0;
}
