#include "strings.h"

#include "ui/resources.h"

#include <QFile>
#include <QLocale>

namespace ui {
namespace {

StringTable loadTable(const QString& resourcePath) {
    QFile file(resourcePath);
    StringTable table;
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !Strings::ParseTable(QString::fromUtf8(file.readAll()), &table, &error))
        qWarning("string table %s: %s", qPrintable(resourcePath), qPrintable(error.isEmpty() ? file.errorString() : error));
    return table;
}

bool hasBlock(const StringTable& table, int id) {
    const int first = id & ~0xF;
    auto it = table.lower_bound(first);
    return it != table.end() && it->first < first + 16;
}

bool unescape(const QString& text, QString* out) {
    out->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != u'\\') {
            out->append(c);
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i].unicode()) {
        case 't': out->append(u'\t'); break;
        case 'n': out->append(u'\n'); break;
        case '\\': out->append(u'\\'); break;
        default: return false;
        }
    }
    return true;
}

} // namespace

Strings& Strings::Instance() {
    static Strings strings;
    return strings;
}

Strings::Strings() {
    InitResources();
    m_usEnglish = loadTable(QStringLiteral(":/strings/en-US.txt"));
    m_traditionalChinese = loadTable(QStringLiteral(":/strings/zh-TW.txt"));
    m_neutral = loadTable(QStringLiteral(":/strings/neutral.txt"));
    m_variant = VariantForLanguages(QLocale::system().uiLanguages());
}

void Strings::SetTables(StringTable usEnglish, StringTable traditionalChinese, StringTable neutral) {
    m_usEnglish = std::move(usEnglish);
    m_traditionalChinese = std::move(traditionalChinese);
    m_neutral = std::move(neutral);
}

const StringTable* Strings::tableFor(int id) const {
    const StringTable& chosen = m_variant == StringVariant::UsEnglish ? m_usEnglish : m_traditionalChinese;
    const StringTable& other = m_variant == StringVariant::UsEnglish ? m_traditionalChinese : m_usEnglish;
    for (const StringTable* table : {&chosen, &m_neutral, &other})
        if (hasBlock(*table, id))
            return table;
    return nullptr;
}

QString Strings::Load(int id) const {
    const StringTable* table = tableFor(id);
    if (!table)
        return {};
    auto it = table->find(id);
    return it == table->end() ? QString() : it->second;
}

StringVariant Strings::VariantForLanguages(const QStringList& uiLanguages) {
    if (uiLanguages.isEmpty())
        return StringVariant::UsEnglish;
    // Only the first language counts: the platform picks one UI language, it does not fall
    // through a preference list.
    const QLocale locale(uiLanguages.first());
    if (locale.language() == QLocale::Chinese && locale.script() == QLocale::TraditionalChineseScript)
        return StringVariant::TraditionalChinese;
    return StringVariant::UsEnglish;
}

bool Strings::ParseTable(const QString& text, StringTable* table, QString* error) {
    table->clear();
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const auto fail = [&](const char* what) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(QString::fromLatin1(what));
            table->clear();
            return false;
        };
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            return fail("expected an id, a tab and the text");
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (!ok || id <= 0 || id > 0xFFFF)
            return fail("the id is not a number from 1 to 65535");
        QString value;
        if (!unescape(line.mid(tab + 1), &value))
            return fail("unknown escape (only \\t, \\n and \\\\ are known)");
        if (!table->emplace(id, value).second)
            return fail("the id is listed twice");
    }
    return true;
}

} // namespace ui
