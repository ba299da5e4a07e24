#include "melodyview.h"

#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/melodychoice.h"
#include "ui/resources.h"
#include "ui/waitcursor.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

namespace {

constexpr int kComboId = 1011;
constexpr int kModifyId = 1012;
constexpr int kEditId = 1003;
constexpr int kPlayId = 1013;
constexpr int kSliderId = 1014;
constexpr int kSetDefaultId = 1015;

QString controlName(int id) { return QStringLiteral("control%1").arg(id); }

// The platform's group box drew its frame line through the middle of the caption; Qt's styles
// put the caption above the line. Raising the box by half a line puts the line where the
// template has it, so the framed controls keep their margin inside it.
void PlaceGroupBox(const CColorFormView& form, QGroupBox* box, int x, int y, int width, int height) {
    QRect at = form.Units().ToPixels(x, y, width, height);
    at.setTop(at.top() - box->fontMetrics().height() / 2);
    box->setGeometry(at);
}


} // namespace

CMelodyView::CMelodyView(QWidget* parent)
    : CColorFormView(ui::VIEW_MELODIES, QSize(320, 200), QStringLiteral("MS Sans Serif"), 8, parent),
      m_levelSlider(nullptr), m_melodyCombo(nullptr) {
    // Created behind the controls it frames, so it never takes their clicks.
    m_group = new QGroupBox(QStringLiteral("User melody(max 40 without blank)"), this);
    PlaceGroupBox(*this, m_group, 26, 38, 192, 137);

    m_melodyCombo = new QComboBox(this);
    m_melodyCombo->setObjectName(controlName(kComboId));
    m_melodyCombo->setEditable(true);
    // A typed text selects nothing; it must never grow the list of eight.
    m_melodyCombo->setInsertPolicy(QComboBox::NoInsert);
    for (int entry = 0; entry < melodyform::kEntryCount; ++entry)
        m_melodyCombo->addItem(melodyform::EntryLabel(entry));
    // The template's height includes the dropped list; the closed box is one line high.
    const QRect comboRect = Units().ToPixels(225, 43, 68, 98);
    m_melodyCombo->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(), m_melodyCombo->sizeHint().height());
    m_melodyCombo->setMaxVisibleItems(melodyform::kEntryCount);

    m_modifyButton = new QPushButton(QStringLiteral("Modify"), this);
    m_modifyButton->setObjectName(controlName(kModifyId));
    Place(m_modifyButton, 225, 68, 68, 14);

    m_melodyEdit = new QPlainTextEdit(this);
    m_melodyEdit->setObjectName(controlName(kEditId));
    m_melodyEdit->setTabChangesFocus(true);
    m_melodyEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Place(m_melodyEdit, 30, 50, 179, 117);

    m_playButton = new QPushButton(QStringLiteral("Play"), this);
    m_playButton->setObjectName(controlName(kPlayId));
    Place(m_playButton, 226, 94, 68, 14);

    m_levelSlider = new QSlider(Qt::Horizontal, this);
    m_levelSlider->setObjectName(controlName(kSliderId));
    m_levelSlider->setTickPosition(QSlider::NoTicks);
    Place(m_levelSlider, 225, 126, 71, 17);

    m_setDefaultButton = new QPushButton(QStringLiteral("Set as Default"), this);
    m_setDefaultButton->setObjectName(controlName(kSetDefaultId));
    Place(m_setDefaultButton, 226, 156, 68, 14);

    // A static icon shows at its natural size from the template's top-left corner.
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("melodyIcon"));
    m_icon->setPixmap(ui::ResourceIcon(ui::IDI_MELODY).pixmap(32, 32));
    m_icon->setGeometry(QRect(Units().ToPixels(28, 14, 0, 0).topLeft(), QSize(32, 32)));

    m_melodyCombo->setAccessibleName(QStringLiteral("User melody"));
    m_melodyEdit->setAccessibleName(QStringLiteral("Melody notation"));
    m_levelSlider->setAccessibleName(QStringLiteral("Volume level"));
    m_icon->setAccessibleName(QStringLiteral("User melodies"));

    // A larger window gives its room to the melody text; the buttons keep their place beside it.
    SetAnchor(m_group, GrowX | GrowY);
    SetAnchor(m_melodyEdit, GrowX | GrowY);
    for (QWidget* beside : std::initializer_list<QWidget*>{m_melodyCombo, m_modifyButton, m_playButton, m_levelSlider,
                                                           m_setDefaultButton})
        SetAnchor(beside, MoveX);

    connect(m_melodyCombo, &QComboBox::currentIndexChanged, this, &CMelodyView::OnMelodySelChange);
    connect(m_modifyButton, &QPushButton::clicked, this, &CMelodyView::OnModify);
    connect(m_playButton, &QPushButton::clicked, this, &CMelodyView::OnPlay);
    connect(m_setDefaultButton, &QPushButton::clicked, this, &CMelodyView::OnSetDefault);
}

CMainFrame* CMelodyView::Frame() const { return qobject_cast<CMainFrame*>(window()); }

void CMelodyView::SetStatus(const std::string& text) {
    if (CMainFrame* frame = Frame())
        frame->SetStatusText(text);
}

CPhoneLink* CMelodyView::MelodyLink() {
    CMainFrame* frame = Frame();
    if (!frame)
        return nullptr;
    frame->EnsureMelodiesRead();
    CPhoneLink* link = frame->PhoneLink();
    if (!link)
        SetStatus("No phone is connected");
    return link;
}

std::optional<std::string> CMelodyView::missingReason(CPhoneLink* link, int entry) const {
    auto reason = melodyform::MissingEntryReason(entry, link->Melodies().size());
    // An empty list after a failed read is the failure, not a phone without melodies.
    CMainFrame* frame = Frame();
    if (reason && link->Melodies().empty() && frame && !frame->MelodyReadFailure().empty())
        reason = "the melodies could not be read (" + frame->MelodyReadFailure() + ")";
    return reason;
}

int CMelodyView::SelectedEntry() const {
    // The edit shows the melody of the entry last chosen. While the combo's edit field holds some
    // other text, nothing is selected: acting on the typed label would write the melody shown
    // into a different slot.
    const int entry = m_melodyCombo->currentIndex();
    return melodyform::EntryFromLabel(m_melodyCombo->currentText()) == entry ? entry : -1;
}

MelodyEntry* CMelodyView::Record(CPhoneLink* link, int entry) const {
    if (!link || entry < 0 || static_cast<std::size_t>(entry) >= link->Melodies().size())
        return nullptr;
    return link->Melodies()[static_cast<std::size_t>(entry)].get();
}

void CMelodyView::ShowRecordText(CPhoneLink* link, int entry) {
    const MelodyEntry* record = Record(link, entry);
    // The phone's notation is ASCII; Latin-1 keeps any stray byte visible instead of dropping it.
    m_melodyText = record ? QString::fromLatin1(record->text.data(), static_cast<qsizetype>(record->text.size()))
                          : QString();
    m_melodyEdit->setPlainText(m_melodyText);
}

void CMelodyView::OnInitialUpdate() {
    FitParentFrame();
    CPhoneLink* link = MelodyLink();
    m_levelSlider->setRange(melodyform::kMinLevel, melodyform::kMaxLevel);
    m_levelSlider->setValue(melodyform::kMinLevel);
    {
        const QSignalBlocker quiet(m_melodyCombo);
        m_melodyCombo->setCurrentIndex(0);
    }
    ShowRecordText(link, 0);
}

void CMelodyView::OnMelodySelChange() {
    CPhoneLink* link = MelodyLink();
    const int entry = m_melodyCombo->currentIndex();
    ShowRecordText(link, entry);
    if (link && !Record(link, entry))
        SetStatus(melodyform::EntryLabel(entry).toStdString() + " is not on the phone: " +
                  *missingReason(link, entry));
}

void CMelodyView::OnModify() {
    m_melodyText = m_melodyEdit->toPlainText();
    CPhoneLink* link = MelodyLink();
    if (!link)
        return;
    const int entry = SelectedEntry();
    if (entry < 0) {
        SetStatus("Nothing written: " + *melodyform::MissingEntryReason(entry, 0));
        return;
    }
    const std::string label = melodyform::EntryLabel(entry).toStdString();
    if (auto missing = missingReason(link, entry)) {
        SetStatus(label + " not written: " + *missing);
        return;
    }
    const std::string text = m_melodyText.toStdString();
    if (auto refusal = melodyform::TextRefusal(text)) {
        SetStatus(label + " not written: " + *refusal);
        return;
    }
    MelodyEntry* record = Record(link, entry);
    bool written;
    {
        ui::WaitCursor wait;
        written = link->WriteMelody(record, text);
    }
    if (written) {
        SetStatus(label + " written to the phone");
        return;
    }
    SetStatus(label + " not written: " + link->LastError().text);
    // A text the link refused before sending stays in the edit to be corrected. Once the phone
    // was asked, the edit shows what the phone still holds (the link keeps the record's old text
    // on any failure), so the form never claims a melody the phone does not have.
    if (link->LastError().kind != LinkErrorKind::InvalidInput)
        ShowRecordText(link, entry);
}

void CMelodyView::OnPlay() {
    CPhoneLink* link = MelodyLink();
    if (!link)
        return;
    const int entry = SelectedEntry();
    if (entry < 0) {
        SetStatus("Nothing played: choose one of Melody 1 to Melody 8 from the list");
        return;
    }
    const int level = m_levelSlider->value();
    const std::string label = melodyform::EntryLabel(entry).toStdString();
    bool played;
    {
        ui::WaitCursor wait;
        played = link->PlayMelody(level, melodyform::SoundNumber(entry));
    }
    SetStatus(played ? "Playing " + label + " at level " + std::to_string(level)
                     : label + " not played: " + link->LastError().text);
}

void CMelodyView::OnSetDefault() {
    m_melodyText = m_melodyEdit->toPlainText();
    CPhoneLink* link = MelodyLink();
    if (!link)
        return;
    const int entry = SelectedEntry();
    if (entry < 0) {
        SetStatus("Ring signal unchanged: choose one of Melody 1 to Melody 8 from the list");
        return;
    }
    const std::string label = melodyform::EntryLabel(entry).toStdString();
    bool set;
    {
        ui::WaitCursor wait;
        set = link->SetDefaultMelody(melodyform::SoundNumber(entry));
    }
    SetStatus(set ? label + " is now the ring signal" : label + " not made the ring signal: " + link->LastError().text);
}
