#pragma once
// The plugin's factory of Flash controls: one browser profile (off the record, its own scheme,
// every other URL refused) and one player view for the show, which every control it makes
// borrows in turn.

#include "platform/FlashControl.h"

#include <QPointer>
#include <QString>

#include <memory>

class QWebEngineProfile;
class QWidget;

namespace vorlandite::platform {

class RufflePlayerScheme;
class RufflePlayerView;

class RuffleFlashFactory final : public IFlashControlFactory {
public:
    // Controls are shown on `panel`; `runtimeDir` holds the player's files in "ruffle/".
    RuffleFlashFactory(QWidget& panel, const QString& runtimeDir);
    ~RuffleFlashFactory() override;

    Result<std::unique_ptr<IFlashControl>> CreateFlashControl() override;
    // Makes the player view, hidden, with the player page loading and its core compiling.
    void Prepare() override;

    // The shared view: for tests that look inside.
    RufflePlayerView& PlayerView() { return *view_; }

private:
    QPointer<QWebEngineProfile> profile_;
    QPointer<RufflePlayerScheme> scheme_;
    std::shared_ptr<RufflePlayerView> view_;
};

} // namespace vorlandite::platform
