#include "phonebooktexts.h"

#include "phonelink/phonebookentry.h"
#include "phonelink/phonelink.h"
#include "readprogressdlg.h"

namespace phonebook {

QString StorageLabel(uint8_t storage) {
    switch (storage) {
    case kStoragePhone: return QStringLiteral("Memory Phonebook");
    case kStorageSim: return QStringLiteral("SIM Phonebook");
    default: return QString();
    }
}

QString StorageProblemText(uint8_t storage, const LinkError& error) {
    if (!error)
        return QString();
    if (error.kind == LinkErrorKind::Stopped)
        return QStringLiteral("%1: %2").arg(StorageLabel(storage), QString::fromStdString(error.text));
    return QStringLiteral("%1 could not be read: %2")
        .arg(StorageLabel(storage), QString::fromStdString(error.text));
}

QString ReadOutcomeText(const CPhoneLink& link) {
    const LinkError& last = link.LastError();
    auto told = [](const LinkError& e) { return IsPhoneRefusal(e) || e.kind == LinkErrorKind::Stopped; };
    if (!last || !told(last))
        return CReadProgressDlg::FailureLine();
    QStringList lines;
    for (uint8_t storage : {kStorageSim, kStoragePhone}) {
        const LinkError& error = link.StorageError(storage);
        if (error && told(error))
            lines << StorageProblemText(storage, error);
    }
    return lines.isEmpty() ? CReadProgressDlg::FailureLine() : lines.join(QStringLiteral("; "));
}

QString RefusedChangeText(const QString& action, const LinkError& error) {
    QString reason = QString::fromStdString(error.text);
    if (reason.isEmpty())
        reason = QStringLiteral("no reason given");
    if (IsPhoneRefusal(error))
        return QStringLiteral("The phone refused to %1: %2").arg(action, reason);
    return QStringLiteral("Could not %1: %2").arg(action, reason);
}

} // namespace phonebook
