#include "undooffer.h"

#include <QTimer>

CUndoOffer::CUndoOffer(QWidget* parent) : QPushButton(QStringLiteral("&Undo"), parent), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("undoButton"));
    setAccessibleName(QStringLiteral("Undo"));
    setToolTip(QStringLiteral("Take the last change back on the phone"));
    setFlat(true);
    hide();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CUndoOffer::Withdraw);
    connect(this, &QPushButton::clicked, this, &CUndoOffer::run);
}

void CUndoOffer::Offer(std::function<void()> undo, int milliseconds) {
    m_undo = std::move(undo);
    m_timer->start(milliseconds);
    show();
}

void CUndoOffer::Withdraw() {
    m_timer->stop();
    m_undo = nullptr;
    hide();
}

void CUndoOffer::run() {
    // Taken out first: the undo may itself clear the line (and so withdraw this offer).
    std::function<void()> undo = std::move(m_undo);
    Withdraw();
    if (undo)
        undo();
}
