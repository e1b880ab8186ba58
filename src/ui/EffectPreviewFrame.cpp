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

TEffectPreviewFrame::TEffectPreviewFrame(QWidget* parent)
    : QWidget(parent),
      canvas_(raster::TBitmap32::Create(transitions::kPreviewWidth, transitions::kPreviewHeight).value()) {
    setObjectName(QStringLiteral("ImgPreviewTrans"));
    setFixedSize(transitions::kPreviewWidth, transitions::kPreviewHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TEffectPreviewFrame::~TEffectPreviewFrame() {
    if (tmrPreviewTrans_)
        tmrPreviewTrans_->stop();
    preview_.reset();
    engine_.reset();
}

void TEffectPreviewFrame::Start(std::function<int()> highlightedRow) {
    if (preview_)
        return;
    highlightedRow_ = std::move(highlightedRow);
    clock_ = std::make_unique<TSteadyTickClock>();
    const auto seed = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
    random_ = std::make_unique<TSeededRandom>(seed, false);
    owner_ = std::make_unique<transitions::TQtOwnerThread>();
    presenter_ = std::make_unique<transitions::TScreenPresenter>(canvas_, this);
    engine_ = std::make_unique<transitions::TTransitionEngine>(*clock_, *random_, *owner_);
    preview_ = std::make_unique<transitions::TEffectPreview>(*engine_, *presenter_);
    preview_->Prepare();
    update();
    tmrPreviewTrans_ = new QTimer(this);
    tmrPreviewTrans_->setInterval(transitions::kPreviewTimerMs);
    connect(tmrPreviewTrans_, &QTimer::timeout, this,
            [this] { preview_->tmrPreviewTransTimer(highlightedRow_ ? highlightedRow_() : -1); });
    tmrPreviewTrans_->start();
}

void TEffectPreviewFrame::lbEffectsClick() {
    if (preview_)
        preview_->lbEffectsClick();
}

void TEffectPreviewFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage image(reinterpret_cast<const uchar*>(canvas_.Pixels().data()), canvas_.Width(), canvas_.Height(),
                       int(canvas_.Stride() * sizeof(raster::TColor32)), QImage::Format_RGB32);
    painter.drawImage(QPoint(0, 0), image);
}

} // namespace vorlandite::ui
