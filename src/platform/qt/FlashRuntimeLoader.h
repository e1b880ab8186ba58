#pragma once
// The engine's side of the Flash runtime plugin. The plugin (and with it the browser engine) is
// loaded when the show prepares it, which a show with Flash items does as it starts, or else
// when a movie is first set. The factory's controls are stand-ins until a movie is set: only
// then is the real control made, so the hidden start-up control and a show without Flash items
// cost nothing. When the plugin cannot be loaded a control keeps no movie, and the item is
// passed over.

#include "platform/FlashControl.h"

#include <QLibrary>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

namespace vorlandite::platform {

class FlashRuntimeFactory final : public IFlashControlFactory {
public:
    // Controls are children of `panel`; `runtimeDir` as FindFlashRuntime gives it.
    FlashRuntimeFactory(QWidget& panel, std::string runtimeDir);
    ~FlashRuntimeFactory() override;

    Result<std::unique_ptr<IFlashControl>> CreateFlashControl() override;
    // Loads the plugin and has it make its player, hidden, ready for the first movie.
    void Prepare() override;

    // The plugin's own factory, loaded on the first call; null when it cannot be loaded (the
    // reason goes to stderr once).
    IFlashControlFactory* Runtime();
    bool RuntimeLoaded() const { return runtime_ != nullptr; }

private:
    QPointer<QWidget> panel_;
    std::string runtimeDir_;
    QLibrary library_;
    std::unique_ptr<IFlashControlFactory> runtime_;
    bool loadTried_ = false;
};

} // namespace vorlandite::platform
