#pragma once
// The left pane of the picture browser: for each phone model, the entries of that model's
// picture folder. Each item carries a path string: the model name for a model item, the full
// path for an entry.
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>

class CPicturePane;

class CImageLeft : public QTreeWidget {
    Q_OBJECT
public:
    explicit CImageLeft(QWidget* parent = nullptr);

    void SetRightPane(CPicturePane* right);
    CPicturePane* RightPane() const;

    // Lists the folders; called once by the container after both panes exist.
    void OnInitialUpdate();
    // The upload command with the wait cursor around it.
    void OnUpload();

    // Why a folder could not be listed (empty when both were); the container puts it on the
    // status line.
    QString FolderProblem() const { return m_folderProblem; }
    // The path string of an item; the strings live as long as the tree.
    static QString ItemPath(const QTreeWidgetItem* item);
    QTreeWidgetItem* ModelItem(const QString& model) const;
    const QStringList& ItemPaths() const { return m_itemPaths; }

private:
    QTreeWidgetItem* insertModel(const QString& model);
    // Whether the model's folder exists.
    bool fillModelFolder(const QString& model, QTreeWidgetItem* modelItem, bool folderKnown, const QString& dir);
    void onSelChanged(QTreeWidgetItem* item);

    QPointer<CPicturePane> m_pRightPane;
    QStringList m_itemPaths;
    QString m_folderProblem;
};
