#include "panelayout.h"

#include <algorithm>

namespace {
struct SplitFractions
{
    float a, b, c, d, e;
    std::array<bool, 3> show;
    bool changesVisibility;
};

SplitFractions fractionsFor(int splitType)
{
    switch (splitType) {
    case 0:
        return {1.0f, 0.6666667f, 0.5f, 0.5f, 0.5f, {true, true, true}, true};
    case 1:
        return {0.5f, 1.0f, 0.5f, 1.0f, 0.0f, {true, true, false}, true};
    case 2:
        return {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, {true, false, false}, true};
    case 3:
        return {0.0f, 0.0f, 1.0f, 1.0f, 0.0f, {false, true, false}, true};
    case 4:
        return {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, {false, false, true}, true};
    default:
        return {0.5f, 1.0f, 0.5f, 0.5f, 0.5f, {false, false, false}, false};
    }
}

// Inclusive edges, as the toolkit's rectangles count them: neighbouring panes share a pixel.
int rightOf(const QRect &r) { return r.left() + r.width() - 1; }
int bottomOf(const QRect &r) { return r.top() + r.height() - 1; }

// A 16:9 height for a width, the way the panes keep the picture's proportions.
int wideHeight(int width) { return int(float(width) * 9.0f * 0.0625f); }

// The car's cameras around the front, as seen from the driver's seat: the pillars beside the
// front on top, the repeaters beside the back below. A side left without its camera is taken by
// the front or the back. The top row is the larger: the front is what matters most.
void placeCarCameras(int count, const QRect &area, const std::array<int, kMaxPanes> &cameras,
                     PaneLayout *layout)
{
    constexpr int kFront = 1, kBack = 2, kLeftRepeater = 3, kRightRepeater = 4,
                  kLeftPillar = 5, kRightPillar = 6;
    std::array<int, kMaxPanes + 1> paneOf{}; // camera -> pane + 1
    for (int p = 0; p < count; ++p) {
        const int camera = cameras[size_t(p)] ? cameras[size_t(p)] : p + 1;
        if (camera >= 1 && camera <= kMaxPanes)
            paneOf[size_t(camera)] = p + 1;
    }
    const int x = area.x(), y = area.y(), W = area.width(), H = area.height();
    const int side = W / 4;
    const int topHeight = H * 3 / 5;
    const int columns[] = {x, x + side, x + W - side, x + W}; // left edges, then the right end
    const auto place = [&](int camera, int from, int to, int top, int height) {
        if (paneOf[size_t(camera)])
            layout->rects[size_t(paneOf[size_t(camera)] - 1)] =
                QRect(columns[from], top, columns[to] - columns[from] + (to < 3 ? 1 : 0), height);
    };
    const auto row = [&](int centre, int left, int right, int top, int height) {
        const int from = paneOf[size_t(left)] ? 1 : 0;
        const int to = paneOf[size_t(right)] ? 2 : 3;
        place(centre, from, to, top, height);
        place(left, 0, 1, top, height);
        place(right, 2, 3, top, height);
    };
    row(kFront, kLeftPillar, kRightPillar, y, topHeight);
    row(kBack, kLeftRepeater, kRightRepeater, y + topHeight - 1, H - topHeight + 1);
}

// Pane 1 across the top, the others side by side in a strip below it.
void placeStrip(int count, const QRect &area, PaneLayout *layout)
{
    const int x = area.x(), y = area.y(), W = area.width(), H = area.height();
    const int stripHeight = H / 4;
    layout->rects[0] = QRect(x, y, W, H - stripHeight);
    const int others = count - 1;
    for (int p = 1; p < count; ++p) {
        const int left = x + W * (p - 1) / others;
        const int right = x + W * p / others;
        layout->rects[size_t(p)] =
            QRect(left, y + H - stripHeight - 1, right - left + (p < others ? 1 : 0), stripHeight + 1);
    }
}

// Rows of two or three panes, all of one size.
void placeGrid(int count, const QRect &area, PaneLayout *layout)
{
    const int columns = count <= 4 ? 2 : 3;
    const int rows = (count + columns - 1) / columns;
    const int x = area.x(), y = area.y(), W = area.width(), H = area.height();
    for (int p = 0; p < count; ++p) {
        const int c = p % columns, r = p / columns;
        const int left = x + W * c / columns, right = x + W * (c + 1) / columns;
        const int top = y + H * r / rows, bottom = y + H * (r + 1) / rows;
        layout->rects[size_t(p)] = QRect(left, top, right - left + (c + 1 < columns ? 1 : 0),
                                         bottom - top + (r + 1 < rows ? 1 : 0));
    }
}
} // namespace

int defaultSplitType(int channelCount)
{
    constexpr int kSplitForChannels[] = {0, 2, 1, 0, kCarSplit};
    return kSplitForChannels[qBound(0, channelCount, 4)];
}

PaneLayout paneLayout(int splitType, int channelCount, const QRect &area,
                      const std::array<bool, 3> &keepRatio,
                      const std::array<int, kMaxPanes> &cameras)
{
    PaneLayout layout;
    const int x = area.x(), y = area.y(), W = area.width(), H = area.height();
    if (channelCount <= 1) {
        layout.rects[0] = area;
        layout.singleChannel = true;
        return layout;
    }
    if (channelCount > 3) {
        const int count = qMin(channelCount, kMaxPanes);
        layout.changesVisibility = true;
        for (int p = 0; p < count; ++p)
            layout.visible[size_t(p)] = true;
        if (splitType == kStripSplit)
            placeStrip(count, area, &layout);
        else if (splitType == kGridSplit)
            placeGrid(count, area, &layout);
        else
            placeCarCameras(count, area, cameras, &layout);
        return layout;
    }

    const SplitFractions f = fractionsFor(splitType);
    std::copy(f.show.begin(), f.show.end(), layout.visible.begin());
    layout.changesVisibility = f.changesVisibility;
    if (splitType == 0) {
        const int h1 = int(float(H) * f.b);
        const int w1 = keepRatio[0] ? h1 * 16 / 9 : W;
        const QRect r1(x + int(float(W - w1) * 0.5f), y, w1, h1);
        const QSize small(int(float(w1) * f.c), int(float(h1) * f.d));
        const QRect r2(QPoint(r1.left(), bottomOf(r1)), small);
        layout.rects = {r1, r2, QRect(QPoint(rightOf(r2), bottomOf(r1)), small)};
    } else if (splitType == 1) {
        const int w1 = int(float(W) * f.a);
        const int h1 = keepRatio[0] ? wideHeight(w1) : H;
        const QRect r1(x, y + int(float(H - h1) * 0.5f), w1, h1);
        const QRect r2(rightOf(r1), r1.top(), w1, h1);
        layout.rects = {r1, r2,
                        QRect(rightOf(r1), bottomOf(r2), int(float(W) * f.a), int(float(H) * f.e))};
    } else {
        const float widths[] = {f.a, f.c, f.e};
        for (int p = 0; p < 3; ++p) {
            const int wp = int(float(W) * widths[p]);
            const int hp = keepRatio[size_t(p)] ? wideHeight(wp) : H;
            layout.rects[size_t(p)] = QRect(x, y + int(float(H - hp) * 0.5f), wp, hp);
        }
    }
    return layout;
}

int nextSplitType(int splitType, int channelCount, bool keepRatio)
{
    if (channelCount > 3)
        return splitType == kCarSplit ? kStripSplit : splitType == kStripSplit ? kGridSplit : kCarSplit;
    if (channelCount == 2)
        return splitType + 1 == 4 ? 1 : splitType + 1;
    if (channelCount != 3 || (splitType == 0 && keepRatio))
        return splitType;
    const int next = splitType + 1 == 5 ? 0 : splitType + 1;
    return next == 1 ? 2 : next;
}
