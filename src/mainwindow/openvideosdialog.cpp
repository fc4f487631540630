#include "openvideosdialog.h"

#include "library.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>

OpenVideosDialog::OpenVideosDialog(QWidget *parent, const QString &startFolder)
    : QFileDialog(parent, tr("打开文件"), startFolder, Library::videoFileFilter())
{
    setFileMode(QFileDialog::ExistingFiles);
    // The toolkit's own dialog: a desktop's native one takes no button of ours.
    setOption(QFileDialog::DontUseNativeDialog);
    auto *buttons = findChild<QDialogButtonBox *>();
    m_addFolder = new QPushButton(tr("添加文件夹…"), this);
    if (buttons)
        buttons->addButton(m_addFolder, QDialogButtonBox::ActionRole);
    connect(m_addFolder, &QPushButton::clicked, this, [this] {
        // A folder selected in the list, else the folder shown.
        const QStringList selected = selectedFiles();
        m_folder = selected.size() == 1 && QFileInfo(selected.first()).isDir()
                       ? selected.first()
                       : directory().absolutePath();
        done(QDialog::Accepted);
    });
}

QStringList OpenVideosDialog::chosenPaths() const
{
    if (!m_folder.isEmpty())
        return {m_folder};
    return result() == QDialog::Accepted ? selectedFiles() : QStringList();
}
