#include "audio/VideoPanel.h"

#include <QPainter>

namespace vorlandite::audio {

VideoPanel::VideoPanel(QWidget* parent) : QWidget(parent) {
    // Where the video does not cover the panel, the window colour shows (the palette's Window
    // role, inherited from the main window).
    setAutoFillBackground(true);
}

void VideoPanel::PresentVideoFrame(const QImage& frame, const QRect& target) {
    const QRect before = TargetRect();
    frame_ = frame;
    target_ = target;
    update(before.united(TargetRect()));
}

void VideoPanel::ClearVideoFrame() {
    if (frame_.isNull()) return;
    frame_ = {};
    update();
}

QRect VideoPanel::TargetRect() const { return target_.isEmpty() ? rect() : target_; }

void VideoPanel::paintEvent(QPaintEvent*) {
    if (frame_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(TargetRect(), frame_);
}

} // namespace vorlandite::audio
