#include "commandline.h"

namespace ui {

CommandLineInfo ParseCommandLine(const QStringList& args) {
    CommandLineInfo info;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            info.showHelp = true;
        } else if (!optionsEnded && arg == QLatin1String("--version")) {
            info.showVersion = true;
        } else if (!optionsEnded && arg == QLatin1String("--debug")) {
            info.debug = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1String("--stack="))) {
            info.stack = arg.mid(8);
            if (info.stack != QLatin1String("sim") && info.stack != QLatin1String("bluez")) {
                info.error = QStringLiteral("unknown stack \"%1\" (use sim or bluez)").arg(info.stack);
                return info;
            }
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            info.error = QStringLiteral("unknown option %1").arg(arg);
            return info;
        } else if (info.fileName.isEmpty()) {
            info.fileName = arg;
            info.shellCommand = CommandLineInfo::Shell::FileOpen;
        } else {
            info.error = QStringLiteral("only one document can be opened (got \"%1\" and \"%2\")").arg(info.fileName, arg);
            return info;
        }
    }
    return info;
}

bool WantsInfoOnly(const QStringList& args) {
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("--version"))
            return true;
    }
    return false;
}

QString UsageText(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [options] [document]\n"
               "Manage a mobile phone over Bluetooth: phone book, SMS, melodies, pictures.\n"
               "\n"
               "Options:\n"
               "  --stack=sim     use the built-in demo phone\n"
               "  --stack=bluez   use real phones through BlueZ\n"
               "                  (without --stack: BlueZ when it has an adapter, else the demo phone)\n"
               "  --debug         print the phone traffic and stack events to stderr\n"
               "  --help          show this text and exit\n"
               "  --version       show the version and exit\n"
               "\n"
               "A document file named on the line must be readable, or the program ends at once.\n")
        .arg(programName);
}

QString VersionText() { return QStringLiteral("DUNMERE Harlune 1.0.0.1\n"); }

} // namespace ui
