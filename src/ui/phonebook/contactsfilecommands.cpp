#include "contactsfilecommands.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include <algorithm>
#include <cstdlib>

#include "contacts/contactcsv.h"
#include "contacts/vcard.h"
#include "importpreviewdlg.h"
#include "phonelink/phonelink.h"
#include "platform/atomicfile.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/waitcursor.h"

using namespace contacts;

namespace {

NumberMatcher UserNumberMatcher() {
    for (const char* name : {"LC_ALL", "LC_TELEPHONE", "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return NumberMatcher(NumberMatcher::RegionFromLocale(value));
    return NumberMatcher();
}

std::string Utf8Path(const QString& path) { return path.toLocal8Bit().toStdString(); }

// The lists as the phone holds them, SIM first, each by position.
std::vector<PhonebookEntry> ListedEntries(const CPhoneLink& link) {
    std::vector<PhonebookEntry> entries;
    for (uint8_t storage : {kStorageSim, kStoragePhone}) {
        const size_t first = entries.size();
        for (const auto& e : link.Entries(storage))
            entries.push_back(*e);
        std::sort(entries.begin() + static_cast<long>(first), entries.end(),
                  [](const PhonebookEntry& a, const PhonebookEntry& b) { return a.position < b.position; });
    }
    return entries;
}

ImportOutcome WriteWithProgress(CMainFrame& frame, const std::vector<StoragePlan>& plans,
                                const ImportChoices& choices, CPhoneLink& link) {
    QProgressDialog progress(QStringLiteral("Writing entries to the phone..."), QStringLiteral("Cancel"), 0, 1, &frame);
    progress.setWindowTitle(QStringLiteral("Import"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    ImportOutcome outcome = RunPlans(plans, choices, link, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    return outcome;
}

void ShowWrittenOutcome(CMainFrame& frame, const ImportOutcome& outcome, const std::string& more = {}) {
    std::string text = outcome.Summary();
    if (!outcome.failures.empty())
        text += " First refusal: " + outcome.failures.front();
    // The views show the lists; a new one shows them as they are now. The new view clears the
    // status line, so the summary goes on it afterwards.
    if (frame.CurrentViewId() == ui::VIEW_PHONEBOOK)
        frame.SwitchView(ui::VIEW_PHONEBOOK);
    frame.SetStatusText(text + more);
}

// The preview, then the writing; `afterWrite` runs once the entries are written (a restore's
// melodies), and its sentence joins the summary.
void PreviewAndWrite(CMainFrame& frame, CPhoneLink& link, CImportPreviewDlg::Planner planner, const QString& title,
                     bool storageChoice, const std::function<bool()>& beforeWrite = {},
                     const std::function<std::string()>& afterWrite = {}, uint8_t fixedStorage = 0) {
    CImportPreviewDlg dialog(std::move(planner), title, storageChoice, &frame);
    if (fixedStorage)
        dialog.FixStorage(fixedStorage);
    if (dialog.exec() != QDialog::Accepted) {
        frame.SetStatusText("Nothing was written.");
        return;
    }
    const ImportPreviewChoice choice = dialog.Choice();
    if (choice.dryRun) {
        frame.SetStatusText("Dry run: " + dialog.WouldWriteSentence().toStdString() + "; nothing was written.");
        return;
    }
    if (beforeWrite && !beforeWrite())
        return;
    const ImportOutcome outcome = WriteWithProgress(frame, dialog.Plans(), choice.choices, link);
    ShowWrittenOutcome(frame, outcome, afterWrite && !outcome.linkLost && !outcome.cancelled ? afterWrite() : "");
}

void ExportPhonebook(CMainFrame& frame, CPhoneLink& link) {
    QString filter;
    const QString v30 = QStringLiteral("vCard 3.0 (*.vcf)"), v21 = QStringLiteral("vCard 2.1, for older phones (*.vcf)"),
                  csv = QStringLiteral("CSV (*.csv)");
    const QString path = QFileDialog::getSaveFileName(&frame, QStringLiteral("Export phone book"), QString(),
                                                      v30 + ";;" + v21 + ";;" + csv, &filter);
    if (path.isEmpty())
        return;
    const std::vector<PhonebookEntry> entries = ListedEntries(link);
    const std::string text = filter == csv   ? WriteContactsCsv(entries)
                             : filter == v21 ? WriteVCards(entries, VCardVersion::V21)
                                             : WriteVCards(entries, VCardVersion::V30);
    std::string why;
    if (!platform::WriteFileAtomically(Utf8Path(path), text, &why)) {
        frame.SetStatusText("The phone book could not be exported: " + why);
        return;
    }
    std::string missing;
    for (uint8_t storage : {kStorageSim, kStoragePhone})
        if (link.StorageError(storage))
            missing += std::string(storage == kStorageSim ? " The SIM card" : " The phone memory") +
                       " is not in it: " + link.StorageError(storage).text + ".";
    frame.SetStatusText("Exported " + std::to_string(entries.size()) + " entries to " + Utf8Path(path) + "." + missing);
}

void ImportContacts(CMainFrame& frame, CPhoneLink& link) {
    const QString path = QFileDialog::getOpenFileName(&frame, QStringLiteral("Import contacts"), QString(),
                                                      QStringLiteral("Contacts (*.vcf *.vcard *.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    std::string bytes;
    if (!platform::ReadWholeFile(Utf8Path(path), &bytes)) {
        frame.SetStatusText(Utf8Path(path) + " cannot be read.");
        return;
    }
    const ReadResult read = ReadContactFile(bytes);
    if (!read.problems.empty()) {
        constexpr size_t kShown = 10;
        const size_t count = read.problems.size();
        QString lines;
        for (size_t i = 0; i < count && i < kShown; ++i)
            lines += QStringLiteral("Line %1: %2\n").arg(read.problems[i].line).arg(QString::fromStdString(read.problems[i].reason));
        if (count > kShown)
            lines += QStringLiteral("... and %1 more.\n").arg(count - kShown);
        QMessageBox::warning(&frame, QStringLiteral("Import contacts"),
                             (count == 1 ? QStringLiteral("1 contact of the file cannot be read and is left out:")
                                         : QStringLiteral("%1 contacts of the file cannot be read and are left out:").arg(count)) +
                                 QStringLiteral("\n\n") + lines);
    }
    if (read.contacts.empty()) {
        frame.SetStatusText("The file holds no contact with a number to import.");
        return;
    }
    const NumberMatcher matcher = UserNumberMatcher();
    PreviewAndWrite(frame, link, [&](uint8_t storage) {
        return PlanIntoStorages(read.contacts, link, storage, kStoragePhone, matcher);
    }, QStringLiteral("Import contacts"), true);
}

void BackUpPhone(CMainFrame& frame, CPhoneLink& link) {
    const QString path = QFileDialog::getSaveFileName(&frame, QStringLiteral("Back up phone"), QString(),
                                                      QStringLiteral("Phone backup (*.json)"));
    if (path.isEmpty())
        return;
    PhoneBackup backup;
    std::string why, note;
    bool read;
    {
        ui::WaitCursor wait;
        read = ReadPhoneBackup(link, &backup, &why, &note);
    }
    if (!read || !platform::WriteFileAtomically(Utf8Path(path), WriteBackup(backup), &why)) {
        frame.SetStatusText("The phone was not backed up: " + why);
        return;
    }
    frame.SetStatusText("The phone is backed up in " + Utf8Path(path) + "." + (note.empty() ? "" : " Note: " + note + "."));
}

void RestoreBackup(CMainFrame& frame, CPhoneLink& link) {
    const QString path = QFileDialog::getOpenFileName(&frame, QStringLiteral("Restore backup"), QString(),
                                                      QStringLiteral("Phone backup (*.json);;All files (*)"));
    if (path.isEmpty())
        return;
    std::string text, why, note;
    PhoneBackup backup;
    if (!platform::ReadWholeFile(Utf8Path(path), &text) || !ReadBackup(text, &backup, &why)) {
        QMessageBox::warning(&frame, QStringLiteral("Restore backup"),
                             QStringLiteral("%1 is not a backup that can be restored: %2")
                                 .arg(path, QString::fromStdString(why.empty() ? "it cannot be read" : why)));
        return;
    }
    PhoneBackup current;
    bool read;
    {
        ui::WaitCursor wait;
        read = ReadPhoneBackup(link, &current, &why, &note);
    }
    if (!read) {
        frame.SetStatusText("Nothing was restored: " + why);
        return;
    }
    std::vector<Contact> contacts;
    for (const BackupStorage& book : backup.storages)
        for (Contact& c : EntriesAsContacts(book.entries))
            contacts.push_back(std::move(c));
    const NumberMatcher matcher = UserNumberMatcher();
    std::string saved;
    PreviewAndWrite(
        frame, link, [&](uint8_t) { return PlanIntoStorages(contacts, link, 0, kStoragePhone, matcher); },
        QStringLiteral("Restore backup"), false,
        [&] {
            saved = SavePhoneBeforeRestore(current, Utf8Path(path), &why);
            if (saved.empty())
                frame.SetStatusText("Nothing was restored: the phone as it is could not be saved first (" + why + ")");
            return !saved.empty();
        },
        [&] {
            std::string melodyWhy;
            const int melodies = RestoreMelodies(backup, link, true, &melodyWhy);
            return " " + std::to_string(melodies) + (melodies == 1 ? " melody" : " melodies") + " restored" +
                   (melodyWhy.empty() ? "" : " (" + melodyWhy + ")") + "; the phone as it was is saved in " + saved +
                   ".";
        });
}

const char* StorageWords(uint8_t storage) { return storage == kStorageSim ? "the SIM card" : "the phone memory"; }

// The entries of one storage into the other, through the preview; the originals are erased only
// when the user then asks for a move, and only those the other storage now holds.
void CopyBetweenStorages(CMainFrame& frame, CPhoneLink& link, uint8_t from, uint8_t to) {
    std::vector<PhonebookEntry> originals;
    for (const auto& e : link.Entries(from))
        originals.push_back(*e);
    if (originals.empty()) {
        frame.SetStatusText(std::string("There is nothing to copy: ") + StorageWords(from) + " holds no entry.");
        return;
    }
    const NumberMatcher matcher = UserNumberMatcher();
    const std::vector<Contact> contacts = EntriesAsContacts(originals);
    bool written = false;
    const QString title = from == kStorageSim ? QStringLiteral("Copy SIM card to phone memory")
                                              : QStringLiteral("Copy phone memory to SIM card");
    PreviewAndWrite(
        frame, link, [&](uint8_t) { return PlanIntoStorages(contacts, link, to, to, matcher); }, title, false,
        {},
        [&] {
            written = true;
            return std::string();
        },
        to);
    if (!written)
        return;
    const QString question = QStringLiteral("Erase the copied entries from %1 (a move)?\n\nOnly the entries that %2 "
                                            "now holds are erased; the others stay.")
                                 .arg(QString::fromLatin1(StorageWords(from)), QString::fromLatin1(StorageWords(to)));
    if (QMessageBox::question(&frame, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    int erased = 0;
    std::string why;
    const bool ok = EraseMovedOriginals(originals, from, to, link, matcher, &erased, &why);
    std::string text = "Erased " + std::to_string(erased) + " of " + std::to_string(originals.size()) + " entries from " +
                       StorageWords(from);
    if (erased < static_cast<int>(originals.size()))
        text += "; the others were not copied and stay";
    const std::string summary = frame.StatusText().toStdString();
    if (frame.CurrentViewId() == ui::VIEW_PHONEBOOK)
        frame.SwitchView(ui::VIEW_PHONEBOOK);
    frame.SetStatusText(summary + " " + text + (ok ? "." : ": " + why));
}

} // namespace

void RunContactsFileCommand(CMainFrame& frame, int commandId) {
    frame.EnsurePhonebookRead();
    CPhoneLink* link = frame.PhoneLink();
    if (!link || !link->IsOpen()) {
        frame.SetStatusText("There is no connection to the phone.");
        return;
    }
    // A read the user stopped left lists that are not the phone's: planning against them would
    // take entries not read for missing ones.
    for (uint8_t storage : {kStorageSim, kStoragePhone})
        if (link->StorageError(storage).kind == LinkErrorKind::Stopped) {
            frame.SetStatusText("Nothing was done: the phone book was not read to its end, so the lists are not "
                                "the phone's. Read it again first.");
            return;
        }
    switch (commandId) {
    case ui::ID_FILE_EXPORT_PHONEBOOK: ExportPhonebook(frame, *link); break;
    case ui::ID_FILE_IMPORT_CONTACTS: ImportContacts(frame, *link); break;
    case ui::ID_FILE_BACKUP_PHONE: BackUpPhone(frame, *link); break;
    case ui::ID_FILE_RESTORE_BACKUP: RestoreBackup(frame, *link); break;
    case ui::ID_FILE_COPY_SIM_TO_PHONE: CopyBetweenStorages(frame, *link, kStorageSim, kStoragePhone); break;
    case ui::ID_FILE_COPY_PHONE_TO_SIM: CopyBetweenStorages(frame, *link, kStoragePhone, kStorageSim); break;
    default: break;
    }
}
