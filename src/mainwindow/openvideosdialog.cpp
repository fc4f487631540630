#include "openvideosdialog.h"

#include "library.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>

OpenVideosDialog::OpenVideosDialog(QWidget *parent, const QString &startFolder)
    : QFileDialog(parent, tr("打开文件"), startFolder)
{
    // Tracks recorded apart (a phone's GPX) are opened here too: the window loads them as tracks.
    const QString tracks = QStringLiteral("*.gpx *.GPX *.kml *.KML *.nmea *.NMEA");
    setNameFilters({tr("视频和 GPS 轨迹 (%1)").arg(Library::videoFileFilter() + QLatin1Char(' ') + tracks),
                    tr("视频 (%1)").arg(Library::videoFileFilter()),
                    tr("GPS 轨迹 (%1)").arg(tracks)});
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
