#include "commandline.h"

#include <QCommandLineParser>

#ifndef HARLUNE_VERSION
#error "HARLUNE_VERSION comes from the project version (src/ui/CMakeLists.txt)"
#endif

namespace ui {

namespace {

// The first argument QCommandLineParser could not take, as the user typed it: the parser names
// only the option ("stack", or each letter of "-xy"), and the message quotes the whole argument.
QString offendingArgument(const QStringList& args) {
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        const bool known = arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
                           arg == QLatin1String("--version") || arg == QLatin1String("--debug") ||
                           arg.startsWith(QLatin1String("--stack="));
        if (arg.startsWith(u'-') && arg.size() > 1 && !known)
            return arg;
    }
    return args.value(0);
}

} // namespace

CommandLineInfo ParseCommandLine(const QStringList& args) {
    CommandLineInfo info;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption debug(QStringLiteral("debug"));
    const QCommandLineOption stack(QStringLiteral("stack"), QString(), QStringLiteral("name"));
    QCommandLineParser parser;
    parser.addOptions({help, version, debug, stack});
    // Only "--stack=NAME" is the option's form; a bare "--stack" reads as an option we do not have.
    const qsizetype end = args.indexOf(QLatin1String("--"));
    if (args.mid(0, end).contains(QLatin1String("--stack"))) {
        info.error = QStringLiteral("unknown option --stack");
        return info;
    }
    if (!parser.parse(QStringList{QStringLiteral("harlune")} + args)) {
        info.error = QStringLiteral("unknown option %1").arg(offendingArgument(args));
        return info;
    }
    info.showHelp = parser.isSet(help);
    info.showVersion = parser.isSet(version);
    info.debug = parser.isSet(debug);
    if (parser.isSet(stack)) {
        info.stack = parser.value(stack);
        if (info.stack != QLatin1String("sim") && info.stack != QLatin1String("bluez")) {
            info.error = QStringLiteral("unknown stack \"%1\" (use sim or bluez)").arg(info.stack);
            return info;
        }
    }
    const QStringList documents = parser.positionalArguments();
    if (!documents.isEmpty()) {
        info.fileName = documents.first();
        info.shellCommand = CommandLineInfo::Shell::FileOpen;
    }
    if (documents.size() > 1)
        info.error = QStringLiteral("only one document can be opened (got \"%1\" and \"%2\")").arg(documents[0], documents[1]);
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

QString VersionNumber() { return QStringLiteral(HARLUNE_VERSION); }

QString VersionText() { return QStringLiteral("DUNMERE Harlune %1\n").arg(VersionNumber()); }

} // namespace ui
