#pragma once
// The display panel of a video: a plain widget that shows the frames a media player hands it,
// scaled into the rectangle the player names, over the panel's own background colour.

#include "audio/VideoFrameConsumer.h"

#include <QImage>
#include <QRect>
#include <QWidget>

namespace vorlandite::audio {

class VideoPanel : public QWidget, public VideoFrameConsumer {
    Q_OBJECT
public:
    explicit VideoPanel(QWidget* parent = nullptr);

    void PresentVideoFrame(const QImage& frame, const QRect& target) override;
    void ClearVideoFrame() override;

    const QImage& CurrentFrame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TargetRect() const;

    QImage frame_;
    QRect target_;
};

} // namespace vorlandite::audio
