// The Flash runtime plugin: Flash controls made of Ruffle in a Qt WebEngine view. Loaded by the
// engine only when a show holds Flash movies.

#include "platform/flash/FlashPluginEntry.h"
#include "platform/flash/RuffleFlashControl.h"
#include "platform/flash/RuffleFlashFactory.h"
#include "platform/flash/RufflePlayerScheme.h"
#include "platform/flash/RufflePlayerView.h"
#include "platform/flash/RuffleRequestInterceptor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWebEngineProfile>
#include <QWidget>

#include <unistd.h>

namespace vorlandite::platform {
namespace {

// Settings the browser engine reads once, when its first profile is made: no network chatter
// (the player needs none), no GPU (software drawing works on every X server), and no sandbox
// for root, which the browser refuses to sandbox.
void PrepareBrowserEngine() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char* flag : {"--disable-gpu", "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--no-first-run", "--autoplay-policy=no-user-gesture-required"}) {
        if (!flags.contains(flag))
            flags += QByteArray(flags.isEmpty() ? "" : " ") + flag;
    }
    // The player page collects each movie's garbage as it goes (see player.html); flags the
    // user gave the script engine stand as they are.
    if (!flags.contains("--js-flags="))
        flags += QByteArray(flags.isEmpty() ? "" : " ") + "--js-flags=--expose-gc";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

} // namespace

RuffleFlashFactory::RuffleFlashFactory(QWidget& panel, const QString& runtimeDir) {
    NoteFlashTiming("factory-making");
    PrepareBrowserEngine();
    RegisterRuffleScheme();
    // Off the record: the movies leave nothing on disk.
    profile_ = new QWebEngineProfile(&panel);
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    scheme_ = new RufflePlayerScheme(runtimeDir, profile_);
    profile_->installUrlSchemeHandler(kRuffleScheme, scheme_);
    profile_->setUrlRequestInterceptor(new RuffleRequestInterceptor(profile_));
    view_ = std::make_shared<RufflePlayerView>(panel, *profile_, *scheme_);
    NoteFlashTiming("profile-made");
}

// The view is deleted first (controls still alive are inert from here on): a profile must
// outlive its pages.
RuffleFlashFactory::~RuffleFlashFactory() {
    view_->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete profile_.data();
}

Result<std::unique_ptr<IFlashControl>> RuffleFlashFactory::CreateFlashControl() {
    if (!profile_)
        return MakeError("the Flash player's panel is gone");
    return std::unique_ptr<IFlashControl>(std::make_unique<RuffleFlashControl>(view_));
}

void RuffleFlashFactory::Prepare() {
    if (profile_)
        view_->Prepare();
}

} // namespace vorlandite::platform

extern "C" Q_DECL_EXPORT vorlandite::platform::IFlashControlFactory* vorlandite_create_flash_factory(QWidget* panel,
                                                                                                     const char* runtimeDir) {
    if (!panel || !runtimeDir || !QFileInfo::exists(QString::fromUtf8(runtimeDir) + QStringLiteral("/ruffle/ruffle.js")))
        return nullptr;
    return new vorlandite::platform::RuffleFlashFactory(*panel, QString::fromUtf8(runtimeDir));
}
