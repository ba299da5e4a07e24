// Shows the phone book window in one state for a screenshot; runs until it is ended.
//   phonebook_shots view | progress | add | edit | refused | badtext
#include "harness.h"

#include "ui/mainframe.h"
#include "ui/phonebook/entrydlg.h"
#include "ui/phonebook/phonebookleft.h"
#include "ui/phonebook/phonebookright.h"
#include "ui/phonebook/phonebookview.h"
#include "ui/phonebook/readprogressdlg.h"
#include "ui/phonebook/registerphonebook.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("view");
    RegisterPhonebookViews();

    phonesim::ServeOptions options;
    if (mode == QLatin1String("progress"))
        options.bitsPerSecond = 2400; // slow enough to catch the bars half way
    else
        CReadProgressDlg::SetStartDelay(10);
    pbtest::Harness harness(phonesim::PhoneState::Demo(), options);
    if (!harness.Started())
        return 1;
    if (mode == QLatin1String("refused"))
        harness.Phone().AddFault({"AT+CPBS=\"SM\"", phonesim::FaultAction::CmeError, 10, -1});
    harness.Frame()->move(20, 20);
    harness.Frame()->resize(560, 460);
    harness.ShowPhonebook();

    QTimer::singleShot(300, &app, [&] {
        harness.Select(mode == QLatin1String("refused") ? QStringLiteral("Memory Phonebook")
                                                        : QStringLiteral("SIM Phonebook"));
        const bool badText = mode == QLatin1String("badtext");
        if (mode != QLatin1String("add") && mode != QLatin1String("edit") && !badText)
            return;
        CPhonebookRight* list = harness.View()->Right();
        pbtest::WhenShown("QMenu", [mode](QWidget* widget) {
            auto* menu = static_cast<QMenu*>(widget);
            for (QAction* action : menu->actions())
                if (action->text() == (mode == QLatin1String("edit") ? "&Modify" : "&Add"))
                    menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        pbtest::WhenShown("CEntryDlg", [mode, badText](QWidget* widget) {
            if (badText) {
                widget->findChild<QLineEdit*>(QStringLiteral("edit1003"))->setText(QStringLiteral("Café € 2"));
                widget->findChild<QLineEdit*>(QStringLiteral("edit1004"))->setText(QStringLiteral("0301234"));
                QTimer::singleShot(0, widget, [widget] { static_cast<CEntryDlg*>(widget)->accept(); });
            } else if (mode == QLatin1String("add")) {
                widget->findChild<QLineEdit*>(QStringLiteral("edit1003"))->setText(QStringLiteral("Zoë Lindqvist/W"));
                widget->findChild<QLineEdit*>(QStringLiteral("edit1004"))->setText(QStringLiteral("+46812345"));
            }
        });
        const QPoint pos = list->visualItemRect(list->item(2, 1)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list->viewport(), &event);
    });
    return app.exec();
}
