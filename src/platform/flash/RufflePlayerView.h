#pragma once
// The one browser view all Flash controls of a show share. The player page is loaded once, and
// with it the player's core (14 MB of WebAssembly, compiled once); each movie then gets a fresh
// player element of its own in that page, so nothing of one movie reaches the next while the
// expensive part stays.
//
// A control takes the view (Acquire) and holds it by its lease; the newest control has it, and
// the calls of an older one no longer reach it. Each movie is numbered, and what the page says
// about a movie that is no longer the current one (a late failure, a late first frame) is
// dropped, so it cannot be taken for the current movie's.

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace vorlandite::platform {

class RufflePlayerScheme;

// VORLANDITE_FLASH_DEBUG set: the player's console and the controls' timings go to stderr.
bool FlashDebug();

class RufflePlayerView final : public QObject {
public:
    // What the page says about the holder's current movie: "started" (its first frame is on
    // screen) or "failed ..." (it cannot be played).
    using ReportHandler = std::function<void(const QString& what)>;

    // The view is made as a child of `panel` when first needed; the profile and the scheme are
    // the factory's and outlive it (the factory closes the view before they go).
    RufflePlayerView(QWidget& panel, QWebEngineProfile& profile, RufflePlayerScheme& scheme);
    ~RufflePlayerView() override;

    // Makes the view, hidden, loads the player page and has the page compile the player's core.
    void Prepare();

    // Gives the view to a new control: the previous holder's movie goes, the view is shown at
    // the panel's size and takes mouse input, as a view of its own would. Returns the lease.
    uint64_t Acquire(ReportHandler handler);
    bool Holds(uint64_t lease) const { return lease != 0 && lease == holder_; }
    // The holder lets go: its movie goes and the view hides. Any other lease: nothing.
    void Release(uint64_t lease);

    // The holder's calls; those of any other lease are ignored.
    void Load(uint64_t lease, const QString& path);
    void Unload(uint64_t lease);
    void Play(uint64_t lease);
    void Stop(uint64_t lease);
    void SetGeometry(uint64_t lease, int left, int top, int width, int height);
    void SetVisible(uint64_t lease, bool visible);
    void SetInputEnabled(uint64_t lease, bool enabled);

    // The view goes (deleted from the event loop); no lease holds it any more. The profile may
    // go once posted deletions have run.
    void Close();

    // A line the page wrote under the report prefix, without the prefix: "MOVIE:WHAT", MOVIE the
    // number the view gave the movie (0: the page itself).
    void OnPageMessage(const QString& message);

    // The current movie's token in the scheme ("" when none) and number (0), and the page (null
    // before the view is made): for tests that look inside.
    QString MovieToken() const { return token_; }
    uint64_t MovieNumber() const { return movie_; }
    QWebEnginePage* Page() const;
    QWebEngineView* Widget() const;
    // Whether the view's last frame is covered until the page has drawn afresh.
    bool CurtainUp() const;

private:
    // How many movies a page plays before it is loaded afresh (see RenewPageWhenIdle).
    static constexpr int kMoviesPerPage = 20;

    bool EnsureView();
    // Starts loading the player page unless it is there or on its way; false without a view.
    bool EnsurePage();
    void LoadPage();
    void RenewPageWhenIdle();
    void DropMovie();
    void RunLoad();
    void Deliver(uint64_t movie, const QString& what);
    void PageGone(const QString& why);
    void RaiseCurtain();
    void LowerCurtain();
    void LowerCurtainWithNextFrame();

    QPointer<QWidget> panel_;
    QPointer<QWebEngineProfile> profile_;
    QPointer<RufflePlayerScheme> scheme_;
    QPointer<QWebEngineView> view_;
    QPointer<QWidget> curtain_;
    uint64_t clearing_ = 0;  // the page's last clearing; its word lowers the curtain
    QMetaObject::Connection nextFrame_;
    bool closed_ = false;

    bool pageLoading_ = false;
    bool pageReady_ = false;     // the page has said it is ready for movies
    bool freshPageDue_ = false;  // a failure may have left the player's core unusable
    bool warmWanted_ = false;
    int moviesOnPage_ = 0;

    uint64_t holder_ = 0;
    uint64_t lastLease_ = 0;
    ReportHandler handler_;

    QString token_;
    uint64_t movie_ = 0;  // the current movie's number; 0: none
    uint64_t lastMovie_ = 0;
    bool loadPending_ = false;  // waits for the page
    bool paused_ = false;
};

} // namespace vorlandite::platform
