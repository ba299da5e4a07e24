#include "view.h"

CView::CView(int viewId, QWidget* parent) : QWidget(parent), m_viewId(viewId) {}

bool CView::HandlesCommand(int) const { return false; }

void CView::OnCommand(int) {}
