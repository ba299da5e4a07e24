#pragma once
// The program's command line: the framework's document command line (an optional document file
// name) plus a few options of our own, read by QCommandLineParser. Parsed without Qt's
// application object, so --help and --version work without a display.
#include <QString>
#include <QStringList>

namespace ui {

struct CommandLineInfo {
    enum class Shell { FileNew, FileOpen };
    Shell shellCommand = Shell::FileNew;
    QString fileName;       // the document to open (FileOpen)
    bool showHelp = false;
    bool showVersion = false;
    bool debug = false;
    QString stack;          // "sim", "bluez", or empty: decided by what the machine has
    QString error;          // not empty: the line is unusable; say so and stop
};

// args without the program name. Qt's own options (-platform, -style, ...) must already be gone.
CommandLineInfo ParseCommandLine(const QStringList& args);

// True when the line asks only for --help or --version (handled before any window exists).
bool WantsInfoOnly(const QStringList& args);

QString UsageText(const QString& programName);
QString VersionText();
// The project's version, "1.0.0.1".
QString VersionNumber();

} // namespace ui
