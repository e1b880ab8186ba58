#pragma once
// The picture of the effect preview on the Effects tab: a 119 x 95 widget that shows the
// preview's canvas, with the real transition engine, its own 200 ms timer and the screen
// presenter that the show uses. Nothing runs until Start.

#include "raster/TBitmap32.h"

#include <QWidget>

#include <functional>

#include <memory>

class QTimer;

namespace vorlandite {
class SeededRandom;
class SteadyTickClock;
}
namespace vorlandite::transitions {
class EffectPreview;
class QtOwnerThread;
class ScreenPresenter;
class TransitionEngine;
} // namespace vorlandite::transitions

namespace vorlandite::ui {

class EffectPreviewFrame : public QWidget {
public:
    explicit EffectPreviewFrame(QWidget* parent = nullptr);
    ~EffectPreviewFrame() override;

    // Shows the second sample picture and arms the timer. highlightedRow answers the effect
    // list's current row (-1: none) at each tick.
    void Start(std::function<int()> highlightedRow);
    // A click on the effect list.
    void lbEffectsClick();
    bool Started() const { return preview_ != nullptr; }
    transitions::EffectPreview* Preview() { return preview_.get(); }
    // What the widget shows (UI thread).
    const raster::TBitmap32& Canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    raster::TBitmap32 canvas_;
    std::unique_ptr<SteadyTickClock> clock_;
    std::unique_ptr<SeededRandom> random_;
    std::unique_ptr<transitions::QtOwnerThread> owner_;
    std::unique_ptr<transitions::ScreenPresenter> presenter_;
    // Declared after the presenter and the owner so that it goes first: the engine joins its
    // worker, releasing it from the presenter, before they go.
    std::unique_ptr<transitions::TransitionEngine> engine_;
    std::unique_ptr<transitions::EffectPreview> preview_;
    std::function<int()> highlightedRow_;
    QTimer* tmrPreviewTrans_ = nullptr;
};

} // namespace vorlandite::ui
