// Shows the melody or SMS form over the demo phone in a chosen state, for looking at it:
//   melody_sms_screens SCENE [OUT.png]
// SCENE: melody, melody-refused, sms, sms-ucs2, sms-over. With OUT.png the frame is grabbed into
// the file and the program ends; without, the window stays up until it is closed.
#include "viewharness.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/melodyview.h"
#include "ui/melody/registration.h"
#include "ui/sms/registration.h"
#include "ui/sms/smsview.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QTemporaryDir home;
    // On a display unless grabbing into a file.
    if (argc <= 2 && !qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    viewtest::PrepareEnvironment(home);
    QApplication app(argc, argv);
    const QString scene = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("melody");
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    RegisterMelodyView();
    RegisterSmsView();

    viewtest::ViewHarness phone;
    QString why;
    if (!phone.Start(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    CMainFrame* frame = phone.Frame();
    if (scene.startsWith(QStringLiteral("melody"))) {
        frame->OnCommand(ui::ID_SHOW_MELODIES);
        auto* view = phone.Current<CMelodyView>();
        view->MelodyCombo()->setCurrentIndex(1);
        view->LevelSlider()->setValue(5);
        if (scene == QStringLiteral("melody-refused")) {
            view->MelodyEdit()->setPlainText(QString(45, u'c'));
            view->ModifyButton()->click();
        } else {
            view->PlayButton()->click();
        }
    } else {
        frame->SwitchToSmsView(QStringLiteral("+49 30 5550139"));
        auto* view = phone.Current<CSMSView>();
        if (scene == QStringLiteral("sms-ucs2"))
            view->TextEdit()->setPlainText(QStringLiteral("\u4F60\u597D! See you at 8 \u263A"));
        else if (scene == QStringLiteral("sms-over"))
            view->TextEdit()->setPlainText(QString(150, u'x') + QStringLiteral("[brackets]"));
        else
            view->TextEdit()->setPlainText(QStringLiteral("Hello Anna,\nsee you at 8 {the usual place}."));
        view->SendButton()->click();
    }
    if (out.isEmpty())
        return app.exec();
    QTest::qWait(100);
    return frame->grab().save(out) ? 0 : 1;
}
