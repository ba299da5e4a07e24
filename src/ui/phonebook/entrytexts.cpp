#include "entrytexts.h"

#include <QList>

#include <algorithm>

namespace phonebook {
namespace {

QString fieldWord(EntryField field) {
    return field == EntryField::Name ? QStringLiteral("name") : QStringLiteral("phone number");
}

std::optional<EntryProblem> checkField(EntryField field, const QString& text, Charset charset,
                                       int limit) {
    const QString word = fieldWord(field);
    for (const char32_t c : text.toUcs4()) {
        if (c == U'"' || c < 0x20 || c == 0x7F)
            return EntryProblem{field, QStringLiteral("The %1 may not contain double quotes or "
                                                      "control characters.").arg(word)};
        const QString character = QString::fromUcs4(&c, 1);
        if (!ToPhoneText(character.toStdString(), charset))
            return EntryProblem{field, QStringLiteral("The %1 contains \"%2\", a character the "
                                                      "phone cannot store.").arg(word, character)};
    }
    const qsizetype length = text.toUcs4().size();
    if (length > limit)
        return EntryProblem{field, QStringLiteral("The %1 has %2 characters; the phone book takes "
                                                  "at most %3.").arg(word).arg(length).arg(limit)};
    return std::nullopt;
}

} // namespace

EntryLimits LimitsDeclared(int numberLength, int textLength) {
    EntryLimits limits;
    if (numberLength > 0)
        limits.number = std::min(limits.number, numberLength);
    if (textLength > 0)
        limits.name = std::min(limits.name, textLength);
    return limits;
}

std::optional<EntryProblem> CheckEntryTexts(const EntryTexts& texts, Charset nameCharset,
                                            EntryLimits limits) {
    if (auto problem = checkField(EntryField::Name, texts.name, nameCharset, limits.name))
        return problem;
    return checkField(EntryField::Number, texts.number, Charset::Ira, limits.number);
}

} // namespace phonebook
