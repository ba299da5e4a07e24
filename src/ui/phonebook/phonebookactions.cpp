// The entry actions of the list's pop-up menu.
#include "addentrydlg.h"
#include "editentrydlg.h"
#include "phonebookleft.h"
#include "phonebookright.h"
#include "phonebooktexts.h"
#include "phonelink/phonelink.h"
#include "ui/mainframe.h"
#include "ui/view.h"
#include "ui/waitcursor.h"

#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace {

// Names travel in the character set the link negotiated; numbers are dial strings. A text longer
// than the storage declared is refused here: sent anyway, some phones cut it without a word.
CEntryDlg::Check checkFor(const CPhoneLink& link, uint8_t storage) {
    const Charset charset = link.CurrentCharset();
    const CpbrRange declared = link.StorageLimits(storage);
    const phonebook::EntryLimits limits = phonebook::LimitsDeclared(declared.numberLength, declared.textLength);
    return [charset, limits](const phonebook::EntryTexts& texts) {
        return phonebook::CheckEntryTexts(texts, charset, limits);
    };
}

} // namespace

PhonebookEntry* CPhonebookRight::liveSelectedEntry() const {
    CMainFrame* f = frame();
    CPhoneLink* link = f ? f->PhoneLink() : nullptr;
    if (!link || !m_selectedEntry)
        return nullptr;
    for (uint8_t storage : {kStoragePhone, kStorageSim}) {
        const PhonebookList& list = link->Entries(storage);
        if (std::any_of(list.begin(), list.end(), [this](const auto& e) { return e.get() == m_selectedEntry; }))
            return m_selectedEntry;
    }
    return nullptr;
}

void CPhonebookRight::reportRefusal(bool ok, const QString& action) {
    CMainFrame* f = frame();
    if (!f || !f->PhoneLink())
        return;
    // A success leaves a clean line, so no earlier refusal stays beside the changed list.
    if (ok) {
        f->ClearStatusText();
        return;
    }
    f->SetStatusText(phonebook::RefusedChangeText(action, f->PhoneLink()->LastError()).toStdString());
}

void CPhonebookRight::OnEntryDelete() {
    CMainFrame* f = frame();
    if (!f)
        return;
    f->EnsurePhonebookRead();
    PhonebookEntry* entry = liveSelectedEntry();
    CPhoneLink* link = f->PhoneLink();
    if (!entry || !link)
        return;
    // A successful delete frees the record; the texts are kept for Undo. Undo writes them to the
    // first free position, which only keeps the entry as it was when it was stored with the
    // national type (Add writes no other); any other entry is deleted only when confirmed.
    const PhonebookEntry kept = *entry;
    const bool undoable = kept.type == kTypeNational;
    if (!undoable && QMessageBox::question(this, QStringLiteral("Delete"),
                                           QStringLiteral("Delete \"%1\" (%2) from the phone? This cannot be undone.")
                                               .arg(QString::fromStdString(kept.name), QString::fromStdString(kept.number))) !=
                         QMessageBox::Yes)
        return;
    if (!(entry = liveSelectedEntry()))
        return;
    const bool ok = link->DeleteEntry(entry);
    m_selectedEntry = nullptr;
    if (ok)
        Fill(kept.storage);
    reportRefusal(ok, QStringLiteral("delete the entry"));
    if (ok && undoable) {
        f->SetStatusText("Deleted \"" + kept.name + "\" (" + kept.number + ")");
        QPointer<CMainFrame> guarded(f);
        f->OfferUndo([guarded, kept] { RestoreDeleted(guarded, kept); });
    }
}

void CPhonebookRight::RestoreDeleted(CMainFrame* f, const PhonebookEntry& kept) {
    CPhoneLink* link = f ? f->PhoneLink() : nullptr;
    if (!link)
        return;
    auto entry = std::make_unique<PhonebookEntry>();
    entry->name = kept.name;
    entry->number = kept.number;
    entry->storage = kept.storage;
    bool ok;
    {
        ui::WaitCursor wait;
        ok = link->AddEntry(std::move(entry));
    }
    // The view that deleted it may be gone; whichever list shows the storage now is refreshed.
    if (CView* view = f->PhonebookView(); view && view == f->CurrentView())
        if (auto* list = view->findChild<CPhonebookRight*>(); list && list->m_tree && list->m_tree->Storage() == kept.storage)
            list->Fill(kept.storage);
    f->SetStatusText(ok ? "Restored \"" + kept.name + "\" (" + kept.number + ")"
                        : phonebook::RefusedChangeText(QStringLiteral("restore the entry"), link->LastError()).toStdString());
}

void CPhonebookRight::OnEntryModify() {
    CMainFrame* f = frame();
    if (!f)
        return;
    f->EnsurePhonebookRead();
    CPhoneLink* link = f->PhoneLink();
    PhonebookEntry* entry = liveSelectedEntry();
    if (!entry || !link)
        return;
    const uint8_t storage = entry->storage;
    CEditEntryDlg dlg(this);
    dlg.m_name = QString::fromStdString(entry->name);
    dlg.m_number = QString::fromStdString(entry->number);
    dlg.SetCheck(checkFor(*link, storage));
    bool ok = true;
    if (dlg.exec() == QDialog::Accepted && (entry = liveSelectedEntry()))
        ok = link->ModifyEntry(entry, dlg.m_number.toStdString(), dlg.m_name.toStdString());
    // The link keeps the old texts when the phone refused, so the list shows what the phone holds.
    Fill(storage);
    reportRefusal(ok, QStringLiteral("change the entry"));
}

void CPhonebookRight::OnEntryAdd() {
    CMainFrame* f = frame();
    if (!f)
        return;
    f->EnsurePhonebookRead();
    CPhoneLink* link = f->PhoneLink();
    const int storage = m_tree ? m_tree->Storage() : 0;
    if (!link || (storage != kStoragePhone && storage != kStorageSim))
        return;
    CAddEntryDlg dlg(this);
    dlg.SetCheck(checkFor(*link, static_cast<uint8_t>(storage)));
    bool ok = true;
    if (dlg.exec() == QDialog::Accepted) {
        auto entry = std::make_unique<PhonebookEntry>();
        entry->name = dlg.m_name.toStdString();
        entry->number = dlg.m_number.toStdString();
        entry->type = kTypeNational;
        entry->storage = static_cast<uint8_t>(storage);
        ok = link->AddEntry(std::move(entry));
    }
    Fill(storage);
    reportRefusal(ok, QStringLiteral("add the entry"));
}

void CPhonebookRight::OnEntrySms() {
    CMainFrame* f = frame();
    PhonebookEntry* entry = liveSelectedEntry();
    if (!f || !entry)
        return;
    // The frame retires this view; nothing of it may be touched after the call.
    f->SwitchToSmsView(QString::fromStdString(entry->number));
}
