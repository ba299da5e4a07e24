#pragma once
// Form 150: the phone's eight user melodies. The view holds no melody data: it shows and edits
// the records of the frame's phone link and sends every change to the phone at once. Each
// outcome, refusals included, goes to the frame's status line.
#include "ui/colorformview.h"

#include <QString>

#include <optional>
#include <string>

class CMainFrame;
class CPhoneLink;
struct MelodyEntry;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

class CMelodyView : public CColorFormView {
    Q_OBJECT
public:
    explicit CMelodyView(QWidget* parent = nullptr);

    void OnInitialUpdate() override;

    void OnMelodySelChange();
    void OnModify();
    void OnPlay();
    void OnSetDefault();

    QComboBox* MelodyCombo() const { return m_melodyCombo; }
    QSlider* LevelSlider() const { return m_levelSlider; }
    QPlainTextEdit* MelodyEdit() const { return m_melodyEdit; }
    QPushButton* ModifyButton() const { return m_modifyButton; }
    QPushButton* PlayButton() const { return m_playButton; }
    QPushButton* SetDefaultButton() const { return m_setDefaultButton; }

private:
    CMainFrame* Frame() const;
    // Runs the frame's one-time melody read and hands back its link; null (with a status line
    // saying so) when there is no phone.
    CPhoneLink* MelodyLink();
    // The chosen entry, or -1 when the combo's edit field names none.
    std::optional<std::string> missingReason(CPhoneLink* link, int entry) const;
    int SelectedEntry() const;
    // The record behind an entry, or null when the phone listed fewer melodies.
    MelodyEntry* Record(CPhoneLink* link, int entry) const;
    void ShowRecordText(CPhoneLink* link, int entry);
    void SetStatus(const std::string& text);

    QSlider* m_levelSlider;
    QComboBox* m_melodyCombo;
    QString m_melodyText;

    QGroupBox* m_group;
    QPlainTextEdit* m_melodyEdit;
    QPushButton* m_modifyButton;
    QPushButton* m_playButton;
    QPushButton* m_setDefaultButton;
    QLabel* m_icon;
};
