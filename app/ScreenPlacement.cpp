#include "app/ScreenPlacement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace app {

namespace {

constexpr int kCaptionStrip = 24; // pixels of the frame's top taken as its caption bar
constexpr int kGripWidth = 64;    // how much of the caption bar must show to drag it

// Squared distance from pPoint to the nearest point of pRect (0 inside).
int64_t DistanceSquared(const QPoint& pPoint, const QRect& pRect) {
    const int64_t dx = std::max({pRect.left() - pPoint.x(), 0, pPoint.x() - pRect.right()});
    const int64_t dy = std::max({pRect.top() - pPoint.y(), 0, pPoint.y() - pRect.bottom()});
    return dx * dx + dy * dy;
}

const QRect* NearestScreen(const QRect& pFrame, const std::vector<QRect>& pScreens) {
    const QRect* nearest = nullptr;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const QRect& screen : pScreens) {
        if (screen.isEmpty()) continue;
        const int64_t d = DistanceSquared(pFrame.center(), screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return nearest;
}

// The screen that shows the most of pStrip.
const QRect* ScreenShowing(const QRect& pStrip, const std::vector<QRect>& pScreens) {
    const QRect* best = nullptr;
    int64_t bestArea = 0;
    for (const QRect& screen : pScreens) {
        const QRect shown = pStrip.intersected(screen);
        const int64_t area = int64_t(shown.width()) * shown.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    return best;
}

// pFrame moved (and cut where larger) into pScreen, moved only as far as needed.
QRect ClampInto(const QRect& pFrame, const QRect& pScreen) {
    const int width = std::min(pFrame.width(), pScreen.width());
    const int height = std::min(pFrame.height(), pScreen.height());
    const int left = std::clamp(pFrame.left(), pScreen.left(), pScreen.right() + 1 - width);
    const int top = std::clamp(pFrame.top(), pScreen.top(), pScreen.bottom() + 1 - height);
    return QRect(left, top, width, height);
}

std::vector<QRect> AvailableScreens() {
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    return screens;
}

// Moves a window inside its screen after each of its moves and activations, for a while.
class InsideKeeper : public QObject {
  public:
    explicit InsideKeeper(QWidget* pWindow) : QObject(pWindow), m_Window(pWindow) {
        m_Since.start();
        m_Check.setSingleShot(true);
        connect(&m_Check, &QTimer::timeout, this, [this] { MoveInside(); });
        pWindow->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (m_Since.elapsed() > kWatchMs) {
            deleteLater();
        } else if (pEvent->type() == QEvent::Move || pEvent->type() == QEvent::Show ||
                   pEvent->type() == QEvent::ActivationChange) {
            m_Check.start(0); // once, after the events that came together
        }
        return false;
    }

  private:
    static constexpr qint64 kWatchMs = 3000;

    void MoveInside() {
        const QRect frame = m_Window->frameGeometry();
        const QRect inside = PlaceInside(frame, AvailableScreens());
        if (inside == frame) return;
        m_Window->resize(m_Window->size() - (frame.size() - inside.size()));
        m_Window->move(inside.topLeft());
    }

    QWidget* m_Window;
    QElapsedTimer m_Since;
    QTimer m_Check;
};

QRect CaptionStrip(const QRect& pFrame) {
    return QRect(pFrame.left(), pFrame.top(), pFrame.width(),
                 std::min(kCaptionStrip, pFrame.height()));
}

} // namespace

bool ReachableOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens) {
    const QRect strip = CaptionStrip(pFrame);
    const int needWidth = std::min(kGripWidth, pFrame.width());
    return std::any_of(pScreens.begin(), pScreens.end(), [&](const QRect& pScreen) {
        const QRect shown = strip.intersected(pScreen);
        return shown.width() >= needWidth && shown.height() == strip.height();
    });
}

QRect PlaceOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens) {
    const bool reachable = ReachableOnScreens(pFrame, pScreens);
    const QRect* screen =
        reachable ? ScreenShowing(CaptionStrip(pFrame), pScreens) : NearestScreen(pFrame, pScreens);
    if (!screen) return pFrame;
    const bool fits = pFrame.width() <= screen->width() && pFrame.height() <= screen->height();
    if (reachable && fits) return pFrame;
    return ClampInto(pFrame, *screen);
}

QRect PlaceInside(const QRect& pFrame, const std::vector<QRect>& pScreens) {
    const QRect* screen = ScreenShowing(pFrame, pScreens);
    if (!screen) screen = NearestScreen(pFrame, pScreens);
    return screen ? ClampInto(pFrame, *screen) : pFrame;
}

void KeepInsideWhileFramed(QWidget* pWindow) {
    new InsideKeeper(pWindow);
}

} // namespace app
