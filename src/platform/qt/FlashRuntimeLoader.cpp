#include "platform/qt/FlashRuntimeLoader.h"

#include "platform/flash/FlashPluginEntry.h"

#include <cstdio>
#include <filesystem>
#include <optional>

namespace vorlandite::platform {
namespace {

// A control whose real one is made when its first movie is set. Until then (and when the
// runtime cannot be had) it only remembers where it goes and whether it is seen.
class DeferredFlashControl final : public IFlashControl {
public:
    explicit DeferredFlashControl(FlashRuntimeFactory& factory) : factory_(factory) {}

    void SetMovie(const std::string& path) override {
        const bool unload = IsNoMovie(path);
        if (!real_ && !unload)
            MakeReal();
        if (real_)
            real_->SetMovie(path);
        else
            movie_ = unload ? path : std::string();  // no runtime: no movie, the item is passed over
    }
    std::string Movie() const override { return real_ ? real_->Movie() : movie_; }
    void SetPlaying(bool playing) override {
        if (real_)
            real_->SetPlaying(playing);
    }
    bool Playing() const override { return real_ && real_->Playing(); }
    void Play() override {
        if (real_)
            real_->Play();
    }
    void Stop() override {
        if (real_)
            real_->Stop();
    }
    bool IsPlaying() const override { return real_ && real_->IsPlaying(); }
    void SetBounds(int left, int top, int width, int height) override {
        bounds_ = {left, top, width, height};
        if (real_)
            real_->SetBounds(left, top, width, height);
    }
    void SetVisible(bool visible) override {
        visible_ = visible;
        if (real_)
            real_->SetVisible(visible);
    }
    void SetInputEnabled(bool enabled) override {
        inputEnabled_ = enabled;
        if (real_)
            real_->SetInputEnabled(enabled);
    }

private:
    struct Bounds {
        int left = 0, top = 0, width = 0, height = 0;
    };

    void MakeReal() {
        IFlashControlFactory* runtime = factory_.Runtime();
        if (!runtime)
            return;
        auto made = runtime->CreateFlashControl();
        if (!made) {
            std::fprintf(stderr, "vorlandite: the Flash control could not be made: %s\n", made.message().c_str());
            return;
        }
        real_ = std::move(made).value();
        if (bounds_)
            real_->SetBounds(bounds_->left, bounds_->top, bounds_->width, bounds_->height);
        real_->SetInputEnabled(inputEnabled_);
        real_->SetVisible(visible_);
    }

    FlashRuntimeFactory& factory_;
    std::unique_ptr<IFlashControl> real_;
    std::string movie_;
    std::optional<Bounds> bounds_;
    bool visible_ = false;
    bool inputEnabled_ = true;
};

} // namespace

FlashRuntimeFactory::FlashRuntimeFactory(QWidget& panel, std::string runtimeDir)
    : panel_(&panel), runtimeDir_(std::move(runtimeDir)) {}

// The plugin stays loaded: the browser engine it brought cannot be unloaded from a process.
FlashRuntimeFactory::~FlashRuntimeFactory() = default;

Result<std::unique_ptr<IFlashControl>> FlashRuntimeFactory::CreateFlashControl() {
    if (loadTried_ && !runtime_)
        return MakeError("the Flash runtime could not be loaded");
    return std::unique_ptr<IFlashControl>(std::make_unique<DeferredFlashControl>(*this));
}

void FlashRuntimeFactory::Prepare() {
    if (IFlashControlFactory* runtime = Runtime())
        runtime->Prepare();
}

IFlashControlFactory* FlashRuntimeFactory::Runtime() {
    if (loadTried_)
        return runtime_.get();
    loadTried_ = true;
    if (!panel_)
        return nullptr;
    const auto plugin = std::filesystem::path(runtimeDir_) / kFlashPluginFile;
    library_.setFileName(QString::fromStdString(plugin.string()));
    library_.setLoadHints(QLibrary::PreventUnloadHint);
    NoteFlashTiming("plugin-loading");
    auto create = reinterpret_cast<CreateFlashFactoryFunction>(library_.resolve(kCreateFlashFactorySymbol));
    if (!create) {
        std::fprintf(stderr, "vorlandite: the Flash runtime could not be loaded: %s\n",
                     qPrintable(library_.errorString()));
        return nullptr;
    }
    NoteFlashTiming("plugin-loaded");
    runtime_.reset(create(panel_.data(), runtimeDir_.c_str()));
    NoteFlashTiming("factory-made");
    if (!runtime_)
        std::fprintf(stderr, "vorlandite: the Flash runtime in %s is incomplete\n", runtimeDir_.c_str());
    return runtime_.get();
}

} // namespace vorlandite::platform
