#pragma once
// The right pane of the picture browser as the tree and the container see it: it previews the
// picture the tree selected and, when the Bluetooth side supplies one that can, uploads it. The
// picture view gets its right pane from a factory, so the windows never include the Bluetooth
// side; without a factory this preview-only pane is used.
#include "ui/pictures/imageleft.h"
#include "ui/pictures/picture.h"

#include <QPointer>
#include <QWidget>

class CPicturePane : public QWidget {
    Q_OBJECT
public:
    explicit CPicturePane(QWidget* parent = nullptr);
    ~CPicturePane() override;

    // The tree selected a file: the picture is loaded once here, and shown on every paint until
    // the next selection. A file that cannot be opened is reported once, not on every paint.
    void SetPicture(const QString& path);
    QString PicturePath() const { return m_picturePath; }
    // True while a decoded picture is shown.
    bool HasPreview() const { return m_preview.HasPicture(); }
    QSize PreviewSize() const { return {m_preview.Width(), m_preview.Height()}; }
    // Where the preview is drawn: the picture scaled down to fit above its size line, never up.
    QRect PreviewRect() const;
    QString PreviewProblem() const { return m_preview.Problem(); }

    void SetLeftPane(CImageLeft* left);
    CImageLeft* LeftPane() const;

    virtual void OnInitialUpdate() {}
    // The upload command (the toolbar's fifth button) is offered only by panes that can send.
    virtual bool CanUpload() const { return false; }
    virtual void OnUpload() {}

    QSize sizeHint() const override;

signals:
    void PictureChanged(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<CImageLeft> m_pLeftPane;
    QString m_picturePath;
    CPicture m_preview;
};
