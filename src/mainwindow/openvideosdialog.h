#pragma once

#include <QFileDialog>

class QPushButton;

// The open dialog: video files to add and track files to load, or with "Add folder…" the folder
// it shows (or the one chosen in it), with every recording in it and its subfolders.
class OpenVideosDialog : public QFileDialog
{
    Q_OBJECT

public:
    OpenVideosDialog(QWidget *parent, const QString &startFolder);

    // What was chosen: the files, or the one folder.
    QStringList chosenPaths() const;
    QPushButton *addFolderButton() const { return m_addFolder; }

private:
    QPushButton *m_addFolder = nullptr;
    QString m_folder; // set when the folder was chosen
};
