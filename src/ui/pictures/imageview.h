#pragma once
// The picture browser: a splitter with the picture tree on the left and the preview and upload
// pane on the right. The frame builds a new one each time it shows the browser and deletes it
// (panes included) when it leaves.
#include "ui/pictures/picturepane.h"
#include "ui/view.h"

#include <QPointer>

#include <functional>

class QSplitter;

namespace pictures {
// Makes the right pane; the Bluetooth side registers one that can upload.
using RightPaneFactory = std::function<CPicturePane*()>;
} // namespace pictures

class CImageView : public CView {
    Q_OBJECT
public:
    explicit CImageView(const pictures::RightPaneFactory& rightPane = {}, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    bool HandlesCommand(int commandId) const override;
    void OnCommand(int commandId) override;

    CImageLeft* GetLeftPane() const { return m_left; }
    CPicturePane* GetRightPane() const { return m_right; }
    QSplitter* Splitter() const { return m_wndSplitter; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int edgeWidth() const;

    QSplitter* m_wndSplitter = nullptr;
    QPointer<CImageLeft> m_left;
    QPointer<CPicturePane> m_right;
};

namespace pictures {
// Plugs the picture browser into the frame. With an empty factory the right pane previews only.
void RegisterImageView(RightPaneFactory rightPane);
} // namespace pictures
