#include "panelayout.h"

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
} // namespace

int defaultSplitType(int channelCount)
{
    constexpr int kSplitForChannels[] = {0, 2, 1, 0};
    return kSplitForChannels[qBound(0, channelCount, 3)];
}

PaneLayout paneLayout(int splitType, int channelCount, const QRect &area,
                      const std::array<bool, 3> &keepRatio)
{
    PaneLayout layout;
    const int x = area.x(), y = area.y(), W = area.width(), H = area.height();
    if (channelCount <= 1) {
        layout.rects[0] = area;
        layout.singleChannel = true;
        return layout;
    }

    const SplitFractions f = fractionsFor(splitType);
    layout.visible = f.show;
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
    if (channelCount == 2)
        return splitType + 1 == 4 ? 1 : splitType + 1;
    if (channelCount != 3 || (splitType == 0 && keepRatio))
        return splitType;
    const int next = splitType + 1 == 5 ? 0 : splitType + 1;
    return next == 1 ? 2 : next;
}
