#pragma once

#include "cliprequest.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;

// The "Export clip" dialog: the range (editable; within one recording or across recordings of a
// drive), what to write, the time-lapse speed of the composed video, the target folder, the
// estimated size and time, and while the export runs on a worker thread its progress with Cancel. Deletes itself once closed; a
// close during an export cancels it first.
class ClipExportDialog : public QDialog
{
    Q_OBJECT

public:
    // proposal: the channels, the proposed range and the fixed parts of the request.
    ClipExportDialog(const ClipRequest &proposal, QWidget *parent = nullptr);
    ~ClipExportDialog() override;

    bool isExporting() const { return m_thread != nullptr; }
    // The form's parts, for the window's tests.
    QLineEdit *fromEdit() const { return m_from; }
    QLineEdit *toEdit() const { return m_to; }
    QLineEdit *folderEdit() const { return m_folder; }
    QPushButton *exportButton() const { return m_exportButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *statusLabel() const { return m_status; }
    QComboBox *speedBox() const { return m_speed; }
    QLabel *estimateLabel() const { return m_estimate; }
    const ClipRequest &request() const { return m_request; }

public slots:
    void startExport();
    void cancelOrClose();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void chooseFolder();
    // What the form asks for, or nullopt (and the reason shown) when it is not complete.
    std::optional<ClipRequest> formRequest(bool explain);
    // The output's size and the time the export takes, worked out on a worker.
    void estimate();
    void exportDone();
    void setEditable(bool editable);

    ClipRequest m_request;
    QLineEdit *m_from;
    QLineEdit *m_to;
    QCheckBox *m_copy;
    QCheckBox *m_composed;
    QCheckBox *m_gpx;
    QComboBox *m_speed;
    QLabel *m_estimate;
    QTimer *m_estimateTimer;
    std::shared_ptr<int> m_estimateGeneration; // an answer for an older form is dropped
    QLineEdit *m_folder;
    QPushButton *m_browse;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_exportButton;
    QPushButton *m_cancelButton;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_shownPermille{-1};
    ClipResult m_result;         // written by the worker, read once it has finished
    QStringList m_notes;         // GUI thread
};

// Seconds as the dialog shows them: [h:]mm:ss.fff.
QString clipTimeText(double seconds);
