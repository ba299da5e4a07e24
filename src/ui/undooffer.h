#pragma once
// The "Undo" button beside the status line: offered for a few seconds after a change that can be
// taken back (a deleted phone book entry), withdrawn by the next action or when the time is up.
#include <QPushButton>

#include <functional>

class QTimer;

class CUndoOffer : public QPushButton {
    Q_OBJECT
public:
    explicit CUndoOffer(QWidget* parent = nullptr);

    // Shows the button; a click runs `undo` once. Replaces any earlier offer.
    void Offer(std::function<void()> undo, int milliseconds = kDefaultMs);
    void Withdraw();
    bool Offered() const { return static_cast<bool>(m_undo); }

    static constexpr int kDefaultMs = 8000;

private:
    void run();

    std::function<void()> m_undo;
    QTimer* m_timer;
};
