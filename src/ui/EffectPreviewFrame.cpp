#include "ui/EffectPreviewFrame.h"

#include "transitions/EffectPreview.h"
#include "transitions/ScreenPresenter.h"
#include "transitions/TransitionEngine.h"
#include "base/TickClock.h"
#include "base/RandomSource.h"

#include <QPainter>
#include <QTimer>

#include <chrono>

namespace vorlandite::ui {

EffectPreviewFrame::EffectPreviewFrame(QWidget* parent)
    : QWidget(parent),
      canvas_(raster::TBitmap32::Create(transitions::kPreviewWidth, transitions::kPreviewHeight).value()) {
    setObjectName(QStringLiteral("ImgPreviewTrans"));
    setFixedSize(transitions::kPreviewWidth, transitions::kPreviewHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

EffectPreviewFrame::~EffectPreviewFrame() {
    if (tmrPreviewTrans_)
        tmrPreviewTrans_->stop();
    preview_.reset();
    engine_.reset();
}

void EffectPreviewFrame::Start(std::function<int()> highlightedRow) {
    if (preview_)
        return;
    highlightedRow_ = std::move(highlightedRow);
    clock_ = std::make_unique<SteadyTickClock>();
    const auto seed = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
    random_ = std::make_unique<SeededRandom>(seed, false);
    owner_ = std::make_unique<transitions::QtOwnerThread>();
    presenter_ = std::make_unique<transitions::ScreenPresenter>(canvas_, this);
    engine_ = std::make_unique<transitions::TransitionEngine>(*clock_, *random_, *owner_);
    preview_ = std::make_unique<transitions::EffectPreview>(*engine_, *presenter_);
    preview_->Prepare();
    update();
    tmrPreviewTrans_ = new QTimer(this);
    tmrPreviewTrans_->setInterval(transitions::kPreviewTimerMs);
    connect(tmrPreviewTrans_, &QTimer::timeout, this,
            [this] { preview_->tmrPreviewTransTimer(highlightedRow_ ? highlightedRow_() : -1); });
    tmrPreviewTrans_->start();
}

void EffectPreviewFrame::lbEffectsClick() {
    if (preview_)
        preview_->lbEffectsClick();
}

void EffectPreviewFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage image(reinterpret_cast<const uchar*>(canvas_.Pixels().data()), canvas_.Width(), canvas_.Height(),
                       int(canvas_.Stride() * sizeof(raster::TColor32)), QImage::Format_RGB32);
    painter.drawImage(QPoint(0, 0), image);
}

} // namespace vorlandite::ui
