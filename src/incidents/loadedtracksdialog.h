#pragma once

#include <QDialog>

class ExternalTracks;
class QPushButton;
class QTableWidget;

// The tracks recorded apart that are loaded: name, start, end and points of each; one can be
// added or removed (taking back what it gave the recordings).
class LoadedTracksDialog : public QDialog
{
    Q_OBJECT

public:
    LoadedTracksDialog(ExternalTracks *tracks, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    QPushButton *removeButton() const { return m_remove; }

signals:
    void addRequested();

private:
    void refresh();

    ExternalTracks *m_tracks;
    QTableWidget *m_table;
    QPushButton *m_remove;
};
