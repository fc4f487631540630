#pragma once

#include <QObject>

#include <functional>

class ClipExportDialog;
class LuFileInfoModel;
class LuProgressSlider;
class PlaybackSession;
class QWidget;
struct ClipRequest;

// The clip's in- and out-points in the open recording, shown on the progress bar, and the
// export dialog for the open recording or another file's.
class ClipMarks : public QObject
{
    Q_OBJECT

public:
    // Fills in how the window shows the channels (split mode, kept aspect ratios).
    using LayoutOf = std::function<void(ClipRequest &)>;

    ClipMarks(PlaybackSession *session, LuProgressSlider *progress, QWidget *dialogParent,
              LayoutOf layoutOf, QObject *parent = nullptr);

    // The in- (true) or out-point at the current position.
    void setPoint(bool in);
    void clear();
    // The dialog for the open recording (model null or one of its channels) or for another
    // file's recording; null when there is neither.
    ClipExportDialog *showExport(LuFileInfoModel *model);

    double in() const { return m_clipIn; }
    double out() const { return m_clipOut; }

private:
    PlaybackSession *m_session;
    LuProgressSlider *m_progress;
    QWidget *m_dialogParent;
    LayoutOf m_layoutOf;
    double m_clipIn = -1; // seconds, -1 when not set
    double m_clipOut = -1;
};
