#include "platform/flash/RuffleFlashControl.h"

#include "platform/flash/RufflePlayerScheme.h"
#include "platform/flash/RuffleRequestInterceptor.h"
#include "formats/swf/SwfMovie.h"

#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace vorlandite::platform {
namespace {

constexpr char kReportPrefix[] = "vorlandite-flash:";

// VORLANDITE_FLASH_DEBUG set: the player's console and the control's timings go to stderr.
bool FlashDebug() {
    static const bool debug = std::getenv("VORLANDITE_FLASH_DEBUG") != nullptr;
    return debug;
}

// The page's console: lines of the control's own prefix are reports, the rest is shown only when
// VORLANDITE_FLASH_DEBUG is set.
class TRufflePage final : public QWebEnginePage {
public:
    TRufflePage(QWebEngineProfile& profile, QObject* parent, std::function<void(const QString&)> report)
        : QWebEnginePage(&profile, parent), report_(std::move(report)) {}

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        if (message.startsWith(QLatin1String(kReportPrefix))) {
            report_(message.mid(int(sizeof kReportPrefix) - 1));
            return;
        }
        if (FlashDebug())
            std::fprintf(stderr, "flash: %s (%s:%d)\n", qPrintable(message), qPrintable(source), line);
    }

    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        // The movie may not take the view, nor a frame it makes, anywhere else.
        return IsPlayerRequestAllowed(url) || url == QUrl(QStringLiteral("about:blank"));
    }

private:
    std::function<void(const QString&)> report_;
};

} // namespace

TRuffleFlashControl::TRuffleFlashControl(QWidget& panel, QWebEngineProfile& profile, TRufflePlayerScheme& scheme)
    : panel_(panel), scheme_(scheme) {
    clock_.start();
    view_ = new QWebEngineView(&panel_);
    // The page belongs to the view before anything is asked of it: a page that starts on its
    // own makes its drawing widget before it knows the view.
    auto* page = new TRufflePage(profile, view_, [this](const QString& what) { Report(what); });
    view_->setPage(page);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // Until the movie's stage is drawn the view shows the panel's colour, not black.
    page->setBackgroundColor(panel_.palette().color(QPalette::Window));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setFocusPolicy(Qt::NoFocus);  // the keyboard belongs to the show
    view_->setGeometry(0, 0, panel_.width(), panel_.height());
    view_->show();
}

// The view goes later, from the event loop: the browser engine may be inside one of its own
// calls on the view (it runs events while it sets a page up), and the show may drop the
// control from there.
TRuffleFlashControl::~TRuffleFlashControl() {
    if (!token_.isEmpty())
        scheme_.RemoveMovie(token_);
    if (view_) {
        view_->hide();
        view_->page()->triggerAction(QWebEnginePage::Stop);
        view_->deleteLater();
    }
}

void TRuffleFlashControl::SetMovie(const std::string& path) {
    if (!token_.isEmpty())
        scheme_.RemoveMovie(token_);
    token_.clear();
    failed_ = false;
    movie_ = path;
    if (!view_)
        return;
    if (IsNoMovie(path)) {
        playing_ = false;
        timeline_.Reset(std::nullopt);
        view_->setUrl(QUrl(QStringLiteral("about:blank")));
        return;
    }
    // Setting a movie starts it, as the control's default Playing does.
    auto timeline = swf::ReadSwfTimeline(path);
    timeline_.Reset(timeline ? timeline->StopTimeMs() : std::nullopt);
    playing_ = true;
    movieSetAtMs_ = Now();
    token_ = scheme_.AddMovie(QString::fromStdString(path));
    QUrl page(QStringLiteral("%1://player/player.html").arg(QLatin1String(kRuffleScheme)));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("movie"), token_);
    page.setQuery(query);
    view_->load(page);
}

void TRuffleFlashControl::SetPlaying(bool playing) {
    if (playing)
        Play();
    else
        Stop();
}

void TRuffleFlashControl::Play() {
    if (IsNoMovie(movie_) || !view_)
        return;
    playing_ = true;
    timeline_.Resume(Now());
    view_->page()->runJavaScript(QStringLiteral("window.vorlanditePlay && window.vorlanditePlay()"));
}

void TRuffleFlashControl::Stop() {
    playing_ = false;
    timeline_.Pause(Now());
    if (view_)
        view_->page()->runJavaScript(QStringLiteral("window.vorlanditeStop && window.vorlanditeStop()"));
}

bool TRuffleFlashControl::IsPlaying() const {
    if (!playing_ || failed_)
        return false;
    if (!timeline_.HasStarted())
        return Now() - movieSetAtMs_ < kStartTimeoutMs;
    return timeline_.TimelineRunning(Now());
}

void TRuffleFlashControl::SetBounds(int left, int top, int width, int height) {
    if (view_)
        view_->setGeometry(left, top, width, height);
}

void TRuffleFlashControl::SetVisible(bool visible) {
    if (view_)
        view_->setVisible(visible);
}

void TRuffleFlashControl::SetInputEnabled(bool enabled) {
    // A disabled panel passes no mouse input to the movie; movements reach the show instead.
    if (view_)
        view_->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    panel_.setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
}

void TRuffleFlashControl::Report(const QString& what) {
    if (what == QLatin1String("started")) {
        timeline_.Started(Now());  // a Stop before this has paused the clock already
        if (FlashDebug())
            std::fprintf(stderr, "flash: first frame %lld ms after the movie was set\n",
                         static_cast<long long>(Now() - movieSetAtMs_));
    } else if (what.startsWith(QLatin1String("failed"))) {
        failed_ = true;
        if (FlashDebug())
            std::fprintf(stderr, "flash: %s\n", qPrintable(what));
    }
}

} // namespace vorlandite::platform
