#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The settings' "Offline map" row: the MBTiles file the offline map draws its streets from.
// A file is checked before it is taken; one the map cannot use is refused with the reason shown
// under the row, and the setting stays as it was.
class OfflineMapRow : public QWidget
{
    Q_OBJECT

public:
    // changed: the setting changed (the map page must be loaded again).
    explicit OfflineMapRow(std::function<void()> changed, QWidget *parent = nullptr);

    // How a file is picked; the desktop's file dialog unless replaced (tests).
    using Chooser = std::function<QString(QWidget *parent, const QString &current)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // Takes the file when the map can use it, else shows why; true when taken.
    bool choose(const QString &path);
    // No file: the offline map goes back to the plain plane.
    void clear();
    QString message() const;

protected:
    void changeEvent(QEvent *e) override;

private:
    void retranslate();
    void showCurrent();

    std::function<void()> m_changed;
    Chooser m_chooser;
    QLabel *m_label;
    QLineEdit *m_path;
    QPushButton *m_browse;
    QPushButton *m_none;
    QLabel *m_message;
};
