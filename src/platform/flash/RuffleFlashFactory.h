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

class TRufflePlayerScheme;
class TRufflePlayerView;

class TRuffleFlashFactory final : public IFlashControlFactory {
public:
    // Controls are shown on `panel`; `runtimeDir` holds the player's files in "ruffle/".
    TRuffleFlashFactory(QWidget& panel, const QString& runtimeDir);
    ~TRuffleFlashFactory() override;

    Result<std::unique_ptr<IFlashControl>> CreateFlashControl() override;
    // Makes the player view, hidden, with the player page loading and its core compiling.
    void Prepare() override;

    // The shared view: for tests that look inside.
    TRufflePlayerView& PlayerView() { return *view_; }

private:
    QPointer<QWebEngineProfile> profile_;
    QPointer<TRufflePlayerScheme> scheme_;
    std::shared_ptr<TRufflePlayerView> view_;
};

} // namespace vorlandite::platform
