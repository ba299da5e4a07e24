#include "entrylabels.h"

namespace phonebook {

QString DisplayName(const QString& storedName) {
    const qsizetype size = storedName.size();
    if (size < 2 || storedName.at(size - 2) != u'/')
        return storedName;
    QString label;
    switch (storedName.at(size - 1).unicode()) {
    case u'M': label = QStringLiteral("<Mobile>"); break;
    case u'H': label = QStringLiteral("<Home>"); break;
    case u'W': label = QStringLiteral("<Work>"); break;
    default: return storedName;
    }
    return storedName.left(size - 2) + label;
}

} // namespace phonebook
