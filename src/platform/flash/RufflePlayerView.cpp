#include "platform/flash/RufflePlayerView.h"

#include "platform/flash/FlashPluginEntry.h"
#include "platform/flash/RufflePlayerScheme.h"
#include "platform/flash/RuffleRequestInterceptor.h"

#include <QDateTime>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace vorlandite::platform {
namespace {

constexpr char kReportPrefix[] = "vorlandite-flash:";

QUrl PlayerPageUrl() {
    // With ?timings the page notes its milestones too.
    return QUrl(QStringLiteral("%1://%2/player.html%3")
                    .arg(QLatin1String(kRuffleScheme), QLatin1String(kRufflePlayerHost),
                         TimingsWanted() ? QStringLiteral("?timings") : QString()));
}

// A page's milestone "NAME WALLMS" on the engine's clock.
void NotePageTiming(const QString& what) {
    const QStringList parts = what.split(QLatin1Char(' '));
    bool number = false;
    const double wallMs = parts.size() == 2 ? parts[1].toDouble(&number) : 0;
    if (!number)
        return;
    const double ageMs = double(QDateTime::currentMSecsSinceEpoch()) - wallMs;
    NoteFlashTiming(qPrintable(QStringLiteral("page-") + parts[0]), MonotonicMs() - ageMs);
}

// The page's console: lines of the report prefix go to the view, the rest is shown only when
// VORLANDITE_FLASH_DEBUG is set.
class RufflePage final : public QWebEnginePage {
public:
    RufflePage(QWebEngineProfile& profile, QObject* parent, RufflePlayerView& sink)
        : QWebEnginePage(&profile, parent), sink_(&sink) {}

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        if (message.startsWith(QLatin1String(kReportPrefix))) {
            if (sink_)
                sink_->OnPageMessage(message.mid(int(sizeof kReportPrefix) - 1));
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
    QPointer<RufflePlayerView> sink_;
};

} // namespace

bool FlashDebug() {
    static const bool debug = std::getenv("VORLANDITE_FLASH_DEBUG") != nullptr;
    return debug;
}

RufflePlayerView::RufflePlayerView(QWidget& panel, QWebEngineProfile& profile, RufflePlayerScheme& scheme)
    : panel_(&panel), profile_(&profile), scheme_(&scheme) {}

RufflePlayerView::~RufflePlayerView() { Close(); }

QWebEnginePage* RufflePlayerView::Page() const { return view_ ? view_->page() : nullptr; }

QWebEngineView* RufflePlayerView::Widget() const { return view_; }

bool RufflePlayerView::EnsureView() {
    if (view_)
        return true;
    if (closed_ || !panel_ || !profile_ || !scheme_)
        return false;
    NoteFlashTiming("view-making");
    view_ = new QWebEngineView(panel_);
    view_->hide();
    // The page belongs to the view before anything is asked of it: a page that starts on its
    // own makes its drawing widget before it knows the view.
    auto* page = new RufflePage(*profile_, view_, *this);
    view_->setPage(page);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // Until a movie's stage is drawn the view shows the panel's colour, not black.
    page->setBackgroundColor(panel_->palette().color(QPalette::Window));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setFocusPolicy(Qt::NoFocus);  // the keyboard belongs to the show
    view_->setGeometry(0, 0, panel_->width(), panel_->height());
    NoteFlashTiming("view-made");
    if (TimingsWanted())
        QObject::connect(page, &QWebEnginePage::loadStarted, this, [] { NoteFlashTiming("page-load-started"); });
    QObject::connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        NoteFlashTiming("page-loaded");
        if (!ok && pageLoading_)
            PageGone(QStringLiteral("failed the player page did not load"));
    });
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, this,
                     [this] { PageGone(QStringLiteral("failed the player's process ended")); });
    return true;
}

bool RufflePlayerView::EnsurePage() {
    if (!EnsureView())
        return false;
    if (freshPageDue_) {
        // A page on its way is a fresh one already; a loaded one is loaded again.
        freshPageDue_ = false;
        if (!pageLoading_)
            pageReady_ = false;
    }
    if (!pageReady_ && !pageLoading_)
        LoadPage();
    return true;
}

void RufflePlayerView::LoadPage() {
    pageLoading_ = true;
    pageReady_ = false;
    moviesOnPage_ = 0;
    NoteFlashTiming("page-load");
    view_->load(PlayerPageUrl());
}

// The page keeps a little of every movie it has played: what the player's core does not give
// back (its memory grows by some tens of kB a movie; the page lets go of the rest, see
// player.html). After kMoviesPerPage movies it is loaded afresh as soon as no movie plays, in
// the background, and compiles the core again before the next movie comes; a show that never
// leaves its movies pays for a fresh page at the next movie instead, after twice as many.
void RufflePlayerView::RenewPageWhenIdle() {
    if (moviesOnPage_ < kMoviesPerPage)
        return;
    QTimer::singleShot(0, this, [this] {
        if (closed_ || !view_ || !pageReady_ || movie_ != 0 || loadPending_ || moviesOnPage_ < kMoviesPerPage)
            return;
        warmWanted_ = true;
        LoadPage();
    });
}

void RufflePlayerView::Prepare() {
    if (!EnsurePage())
        return;
    if (pageReady_)
        return;  // the first movie compiled the core already, or is doing so
    warmWanted_ = true;
}

uint64_t RufflePlayerView::Acquire(ReportHandler handler) {
    DropMovie();
    holder_ = ++lastLease_;
    handler_ = std::move(handler);
    if (EnsureView()) {
        view_->setGeometry(0, 0, panel_->width(), panel_->height());
        view_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        view_->show();
    }
    return holder_;
}

void RufflePlayerView::Release(uint64_t lease) {
    if (!Holds(lease))
        return;
    DropMovie();
    holder_ = 0;
    handler_ = {};
    if (view_)
        view_->hide();
}

void RufflePlayerView::Load(uint64_t lease, const QString& path) {
    if (!Holds(lease))
        return;
    DropMovie();
    movie_ = ++lastMovie_;
    if (!scheme_ || !EnsurePage()) {
        Deliver(movie_, QStringLiteral("failed the player is gone"));
        return;
    }
    token_ = scheme_->AddMovie(path);
    NoteFlashTiming("movie-set");
    loadPending_ = true;
    if (pageReady_)
        RunLoad();
}

void RufflePlayerView::Unload(uint64_t lease) {
    if (Holds(lease))
        DropMovie();
}

void RufflePlayerView::Play(uint64_t lease) {
    if (!Holds(lease) || movie_ == 0)
        return;
    paused_ = false;
    if (pageReady_ && !loadPending_)
        view_->page()->runJavaScript(QStringLiteral("window.vorlanditePlay && window.vorlanditePlay()"));
}

void RufflePlayerView::Stop(uint64_t lease) {
    if (!Holds(lease) || movie_ == 0)
        return;
    paused_ = true;  // a movie still waiting for the page starts paused
    if (pageReady_ && !loadPending_)
        view_->page()->runJavaScript(QStringLiteral("window.vorlanditeStop && window.vorlanditeStop()"));
}

void RufflePlayerView::SetGeometry(uint64_t lease, int left, int top, int width, int height) {
    if (!Holds(lease) || !view_)
        return;
    view_->setGeometry(left, top, width, height);
    if (curtain_)
        curtain_->setGeometry(view_->geometry());
}

void RufflePlayerView::SetVisible(uint64_t lease, bool visible) {
    if (Holds(lease) && view_)
        view_->setVisible(visible);
}

void RufflePlayerView::SetInputEnabled(uint64_t lease, bool enabled) {
    if (!Holds(lease))
        return;
    // A disabled panel passes no mouse input to the movie; movements reach the show instead.
    if (view_)
        view_->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    if (panel_)
        panel_->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
}

// Deleted from the event loop: the browser engine may be inside one of its own calls on the view
// (it runs events while it sets a page up), and the show may drop its control from there.
void RufflePlayerView::Close() {
    closed_ = true;
    DropMovie();
    holder_ = 0;
    handler_ = {};
    pageReady_ = false;
    pageLoading_ = false;
    if (view_) {
        view_->hide();
        view_->page()->triggerAction(QWebEnginePage::Stop);
        view_->deleteLater();
        view_ = nullptr;
    }
    if (curtain_)
        curtain_->deleteLater();
}

// The movie's token is refused from now on, and the page drops its player (which stops its
// sound and its timers); the page itself and the compiled core stay.
void RufflePlayerView::DropMovie() {
    if (!token_.isEmpty() && scheme_)
        scheme_->RemoveMovie(token_);
    token_.clear();
    const bool hadMovie = movie_ != 0 && !loadPending_;
    movie_ = 0;
    loadPending_ = false;
    paused_ = false;
    if (hadMovie && pageReady_ && view_ && !closed_) {
        RaiseCurtain();
        view_->page()->runJavaScript(
            QStringLiteral("window.vorlanditeUnload && window.vorlanditeUnload(%1)").arg(clearing_));
        RenewPageWhenIdle();
    }
}

// A hidden browser view keeps its last frame and shows it again when it is shown, until the page
// draws anew; after a movie has gone that frame is the old movie's stage. The curtain, a plain
// widget of the panel's colour over the view, hides it until the page has drawn a frame without
// that movie (or the next movie's first frame) and the view has put it up.
void RufflePlayerView::RaiseCurtain() {
    ++clearing_;
    QObject::disconnect(nextFrame_);  // a frame awaited for an earlier clearing does not count
    if (!curtain_) {
        curtain_ = new QWidget(panel_);
        curtain_->setAutoFillBackground(true);  // the panel's colour, as the empty page has
        curtain_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    curtain_->setGeometry(view_->geometry());
    curtain_->raise();
    curtain_->show();
}

void RufflePlayerView::LowerCurtain() {
    QObject::disconnect(nextFrame_);
    if (curtain_)
        curtain_->hide();
}

// The page's word and its frames come by different ways, and the word may come first: the
// curtain goes with the view's next frame after it. (The view draws through a Qt Quick widget;
// where it does not, the curtain goes at once.)
void RufflePlayerView::LowerCurtainWithNextFrame() {
    if (!CurtainUp())
        return;
    QObject::disconnect(nextFrame_);
    auto* drawing = view_ ? qobject_cast<QQuickWidget*>(view_->focusProxy()) : nullptr;
    if (!drawing || !drawing->quickWindow()) {
        LowerCurtain();
        return;
    }
    nextFrame_ = QObject::connect(drawing->quickWindow(), &QQuickWindow::afterRendering, this,
                                  [this] { LowerCurtain(); }, Qt::QueuedConnection);
}

bool RufflePlayerView::CurtainUp() const { return curtain_ && !curtain_->isHidden(); }

void RufflePlayerView::RunLoad() {
    NoteFlashTiming("movie-load");
    loadPending_ = false;
    if (++moviesOnPage_ >= 2 * kMoviesPerPage)
        freshPageDue_ = true;  // for the next movie
    // The token is hex and the number decimal: nothing in them needs quoting.
    view_->page()->runJavaScript(QStringLiteral("window.vorlanditeLoad(\"%1\", %2, %3, %4)")
                                     .arg(token_)
                                     .arg(movie_)
                                     .arg(paused_ ? QStringLiteral("true") : QStringLiteral("false"))
                                     .arg(clearing_));
}

void RufflePlayerView::OnPageMessage(const QString& message) {
    if (!view_)
        return;  // closed: a page on its way out has nothing more to say
    const qsizetype colon = message.indexOf(QLatin1Char(':'));
    bool number = false;
    const uint64_t movie = colon > 0 ? message.left(colon).toULongLong(&number) : 0;
    if (!number)
        return;  // not one of the page's own lines
    const QString what = message.mid(colon + 1);
    if (what.startsWith(QLatin1String("failed"))) {
        // A fault in the player's core may leave it unusable for every later movie; the next
        // movie gets a fresh page (and pays for the core again) rather than failing too.
        freshPageDue_ = true;
        if (FlashDebug())
            std::fprintf(stderr, "flash: movie %llu: %s\n", static_cast<unsigned long long>(movie), qPrintable(what));
    }
    if (movie == 0) {
        if (what == QLatin1String("ready")) {
            // A page we did not load (a movie's script may reload it) has lost the movie.
            const bool unasked = !pageLoading_;
            pageLoading_ = false;
            pageReady_ = true;
            if (unasked && movie_ != 0 && !loadPending_)
                Deliver(movie_, QStringLiteral("failed the player page started over"));
            else if (loadPending_)
                RunLoad();
            else if (warmWanted_)
                view_->page()->runJavaScript(QStringLiteral("window.vorlanditeWarm && window.vorlanditeWarm()"));
            warmWanted_ = false;
        } else if (what.startsWith(QLatin1String("timing "))) {
            NotePageTiming(what.mid(7));
        } else if (what.startsWith(QLatin1String("cleared "))) {
            if (what.mid(8).toULongLong() == clearing_)
                LowerCurtainWithNextFrame();
        } else if (FlashDebug()) {
            std::fprintf(stderr, "flash: page: %s\n", qPrintable(what));
        }
        return;
    }
    if (movie == movie_ && what == QLatin1String("started")) {
        NoteFlashTiming("movie-started");
        LowerCurtainWithNextFrame();
    }
    Deliver(movie, what);
}

void RufflePlayerView::Deliver(uint64_t movie, const QString& what) {
    if (movie != 0 && movie == movie_ && handler_)
        handler_(what);
}

// The page is gone or never came: the current movie has failed, and the next one loads the page
// afresh.
void RufflePlayerView::PageGone(const QString& why) {
    pageLoading_ = false;
    pageReady_ = false;
    freshPageDue_ = true;
    loadPending_ = false;
    Deliver(movie_, why);
}

} // namespace vorlandite::platform
