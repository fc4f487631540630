#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class ClipExportDialog;
class Library;
class LuFileInfoModel;
class LuProgressSlider;
class PlaybackSession;
class QWidget;
struct ClipRequest;

// The clip's in- and out-points, shown on the progress bar, and the export dialog for the open
// recording, another file's recording or a whole drive. A mark belongs to the recording it was
// set in: while a drive plays on into its next recording the marks stay, so a range may span
// recordings of one drive.
class ClipMarks : public QObject
{
    Q_OBJECT

public:
    // Fills in how the window shows the channels (split mode, kept aspect ratios).
    using LayoutOf = std::function<void(ClipRequest &)>;

    ClipMarks(PlaybackSession *session, Library *library, LuProgressSlider *progress,
              QWidget *dialogParent, LayoutOf layoutOf, QObject *parent = nullptr);

    // The in- (true) or out-point at the current position.
    void setPoint(bool in);
    void clear();
    // The dialog for the open recording (model null or one of its channels), with the marks'
    // range across the drive's recordings when they lie in different ones, or for another
    // file's recording; null when there is neither.
    ClipExportDialog *showExport(LuFileInfoModel *model);
    // The dialog for a whole drive (its recordings in time order), from its start to its end.
    ClipExportDialog *showDriveExport(const QList<LuFileInfoModel *> &recordings);

    // The marks' seconds, each in its own recording; -1 when not set.
    double in() const { return m_in.second; }
    double out() const { return m_out.second; }

private:
    struct Mark
    {
        QPointer<LuFileInfoModel> recording; // the front-most channel
        double second = -1;
    };
    // A recording's place in the drive of the open recording, -1 when it is not in it.
    int placeOf(const LuFileInfoModel *recording) const;
    void showRange();
    ClipExportDialog *openDialog(ClipRequest &request);

    PlaybackSession *m_session;
    Library *m_library;
    LuProgressSlider *m_progress;
    QWidget *m_dialogParent;
    LayoutOf m_layoutOf;
    Mark m_in;
    Mark m_out;
};
