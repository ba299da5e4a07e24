// Pure pieces of the windows: string-table variants, dialog units, the command line.
#include "testsupport.h"

#include "ui/commandline.h"
#include "ui/dialogunits.h"
#include "ui/ids.h"
#include "ui/strings.h"

#include <QFontDatabase>

using ui::StringVariant;

class UnitsTest : public QObject {
    Q_OBJECT
private slots:
    void promptsFollowVariant_data();
    void promptsFollowVariant();
    void blockWithoutChosenVariantFallsBack();
    void variantForLanguages_data();
    void variantForLanguages();
    void parseTable_data();
    void parseTable();
    void shippedTablesLoad();
    void dialogUnits_data();
    void dialogUnits();
    void templateFonts();
    void commandLine_data();
    void commandLine();
};

void UnitsTest::promptsFollowVariant_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("us");
    QTest::addColumn<QString>("tw");
    QTest::newRow("phone book") << 32772 << "Read and modify the phone book" << "Show the phonebook";
    QTest::newRow("delete") << 32773 << "Delete this phone book entry from the phone" << "Delete this phone book entry";
    QTest::newRow("modify") << 32778 << "Modify this entry" << QString();
    QTest::newRow("add") << 32780 << "Add an entry to this phone book" << QString();
    QTest::newRow("sms") << 32781 << "Write and send a short message" << "Short message service";
    QTest::newRow("web") << 32783 << "Visit the Dunmere web site at www.dunmere.example" << "Link to the Dunmere Website";
    QTest::newRow("melodies") << 32784 << "Read and modify the user melodies" << "Show user melodies";
    QTest::newRow("sms to person") << 32785 << "Send SMS to this person" << QString();
    QTest::newRow("pictures") << 32786 << "Browse the pictures and upload one to the phone" << "Upload image to mobile";
    QTest::newRow("upload") << 32788 << "Upload the selected picture to the phone" << QString();
    QTest::newRow("title, neutral") << ui::AFX_IDS_APP_TITLE << "DUNMERE Harlune" << "DUNMERE Harlune";
}

void UnitsTest::promptsFollowVariant() {
    QFETCH(int, id);
    QFETCH(QString, us);
    QFETCH(QString, tw);
    ui::Strings strings;
    strings.SetVariant(StringVariant::UsEnglish);
    QCOMPARE(strings.Load(id), us);
    strings.SetVariant(StringVariant::TraditionalChinese);
    QCOMPARE(strings.Load(id), tw);
}

void UnitsTest::blockWithoutChosenVariantFallsBack() {
    ui::Strings strings;
    // Block 2048 (32768..32783) exists only in the Chinese table here: a US user still gets it,
    // while an id of a block the US table has stays without text even if Chinese has one.
    strings.SetTables({{32784, QStringLiteral("us melodies")}},
                      {{32772, QStringLiteral("tw book")}, {32786, QStringLiteral("tw pictures")}},
                      {{57344, QStringLiteral("title")}});
    strings.SetVariant(StringVariant::UsEnglish);
    QCOMPARE(strings.Load(32772), QStringLiteral("tw book"));
    QVERIFY(strings.Load(32786).isNull());
    QCOMPARE(strings.Load(57344), QStringLiteral("title"));
    QVERIFY(strings.Load(1).isNull());
}

void UnitsTest::variantForLanguages_data() {
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en-US") << QStringList{"en-US"} << false;
    QTest::newRow("zh-TW") << QStringList{"zh-TW"} << true;
    QTest::newRow("zh-Hant-HK") << QStringList{"zh-Hant-HK"} << true;
    QTest::newRow("zh-CN is simplified") << QStringList{"zh-CN"} << false;
    QTest::newRow("first language decides") << QStringList{"de-DE", "zh-TW"} << false;
    QTest::newRow("none") << QStringList{} << false;
}

void UnitsTest::variantForLanguages() {
    QFETCH(QStringList, languages);
    QFETCH(bool, chinese);
    QCOMPARE(ui::Strings::VariantForLanguages(languages) == StringVariant::TraditionalChinese, chinese);
}

void UnitsTest::parseTable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("valueOf7");
    QTest::newRow("escapes") << "# c\n7\ta\\tb\\nc\\\\d\r\n" << true << "a\tb\nc\\d";
    QTest::newRow("empty text") << "7\t" << true << "";
    QTest::newRow("no tab") << "7 text" << false << "";
    QTest::newRow("bad id") << "x7\ttext" << false << "";
    QTest::newRow("id out of range") << "70000\ttext" << false << "";
    QTest::newRow("unknown escape") << "7\ta\\q" << false << "";
    QTest::newRow("trailing backslash") << "7\ta\\" << false << "";
    QTest::newRow("duplicate") << "7\ta\n7\tb" << false << "";
}

void UnitsTest::parseTable() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, valueOf7);
    ui::StringTable table;
    QString error;
    QCOMPARE(ui::Strings::ParseTable(text, &table, &error), ok);
    if (ok)
        QCOMPARE(table.at(7), valueOf7);
    else
        QVERIFY2(error.startsWith(QStringLiteral("line ")), qPrintable(error));
}

void UnitsTest::shippedTablesLoad() {
    ui::Strings strings;
    QCOMPARE(strings.Load(ui::AFX_IDS_IDLEMESSAGE), QStringLiteral("Ready"));
    QCOMPARE(strings.Load(ui::IDR_MAINFRAME).split(u'\n').value(5), QStringLiteral("Vantrel.Document"));
    QCOMPARE(strings.Load(ui::ID_INDICATOR_SCRL), QStringLiteral("SCRL"));
}

void UnitsTest::dialogUnits_data() {
    QTest::addColumn<int>("baseX");
    QTest::addColumn<int>("baseY");
    QTest::addColumn<QRect>("dialogRect");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("classic 6x13") << 6 << 13 << QRect(146, 7, 35, 14) << QRect(219, 11, 53, 23);
    QTest::newRow("8x16 exact") << 8 << 16 << QRect(7, 7, 135, 84) << QRect(14, 14, 270, 168);
    // Corners are converted, so two controls that touch in the template still touch.
    QTest::newRow("rounding at corners") << 7 << 15 << QRect(1, 1, 1, 1) << QRect(2, 2, 2, 2);
}

void UnitsTest::dialogUnits() {
    QFETCH(int, baseX);
    QFETCH(int, baseY);
    QFETCH(QRect, dialogRect);
    QFETCH(QRect, pixels);
    const ui::DialogUnits units(baseX, baseY);
    QCOMPARE(units.ToPixels(dialogRect.x(), dialogRect.y(), dialogRect.width(), dialogRect.height()), pixels);
}

void UnitsTest::templateFonts() {
    const QString desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QCOMPARE(ui::DialogUnits::TemplateFont(QStringLiteral("MS Sans Serif"), 8).family(), desktop);
    QCOMPARE(ui::DialogUnits::TemplateFont(QStringLiteral("System"), 10).pointSize(), 10);
    // Units measured from a real font are positive and grow with it.
    const ui::DialogUnits small(ui::DialogUnits::TemplateFont(QStringLiteral("System"), 8));
    const ui::DialogUnits large(ui::DialogUnits::TemplateFont(QStringLiteral("System"), 20));
    QVERIFY(small.BaseX() > 0 && small.BaseY() > 0);
    QVERIFY(large.BaseX() > small.BaseX() && large.BaseY() > small.BaseY());
}

void UnitsTest::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("stack");
    QTest::addColumn<bool>("error");
    QTest::newRow("nothing") << QStringList{} << "" << "" << false;
    QTest::newRow("document") << QStringList{"a.mob"} << "a.mob" << "" << false;
    QTest::newRow("stack sim") << QStringList{"--stack=sim"} << "" << "sim" << false;
    QTest::newRow("stack bluez + doc") << QStringList{"--stack=bluez", "b"} << "b" << "bluez" << false;
    QTest::newRow("unknown stack") << QStringList{"--stack=xyz"} << "" << "xyz" << true;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "" << "" << true;
    QTest::newRow("two documents") << QStringList{"a", "b"} << "a" << "" << true;
    QTest::newRow("bare --stack") << QStringList{"--stack", "sim"} << "" << "" << true;
    QTest::newRow("dash file after --") << QStringList{"--", "-odd"} << "-odd" << "" << false;
}

void UnitsTest::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QFETCH(QString, stack);
    QFETCH(bool, error);
    const ui::CommandLineInfo info = ui::ParseCommandLine(args);
    QCOMPARE(!info.error.isEmpty(), error);
    QCOMPARE(info.fileName, file);
    QCOMPARE(info.stack, stack);
    QCOMPARE(info.shellCommand == ui::CommandLineInfo::Shell::FileOpen, !file.isEmpty());
    QVERIFY(ui::WantsInfoOnly({"--version"}));
    QVERIFY(!ui::WantsInfoOnly({"--", "--help"}));
}

HARLUNE_TEST_MAIN(UnitsTest)
#include "tst_units.moc"
