#pragma once
// The program's string tables. Like a resource script's tables they come in two language
// variants (US English and Traditional Chinese, both worded in English) plus the framework's own
// strings, and like the platform's loader the variant is chosen per block of sixteen ids: when
// the chosen variant has a block at all, every id of that block comes from it, and an id that the
// block leaves out has no text (so a command may have a prompt in one variant and none in the
// other).
#include <QHash>
#include <QString>
#include <QStringList>

#include <map>

namespace ui {

enum class StringVariant { UsEnglish, TraditionalChinese };

using StringTable = std::map<int, QString>;

class Strings {
public:
    static Strings& Instance();

    // Loads the tables from the program's resources (once) and picks the variant of the
    // system's UI language.
    Strings();

    // Replaces the tables; tests use it to pin awkward layouts.
    void SetTables(StringTable usEnglish, StringTable traditionalChinese, StringTable neutral);
    void SetVariant(StringVariant variant) { m_variant = variant; }
    StringVariant Variant() const { return m_variant; }

    // A null QString when the id has no text in the variant that its block comes from.
    QString Load(int id) const;

    // Traditional Chinese for zh-TW, zh-HK, zh-MO and any zh-Hant tag; US English otherwise.
    static StringVariant VariantForLanguages(const QStringList& uiLanguages);

    // One "id<TAB>text" entry per line; blank lines and lines starting with '#' are skipped;
    // the text may use \t, \n, \\ escapes. False with "line N: ..." on anything else.
    static bool ParseTable(const QString& text, StringTable* table, QString* error);

private:
    const StringTable* tableFor(int id) const;

    StringVariant m_variant = StringVariant::UsEnglish;
    StringTable m_usEnglish;
    StringTable m_traditionalChinese;
    StringTable m_neutral;
};

} // namespace ui
