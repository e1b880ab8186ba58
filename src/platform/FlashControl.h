#pragma once
// The Flash control: the player of Flash movie items, hosted on the main window's display panel.
// A control plays one movie at a time; the show creates a new one for every Flash item (a runtime
// may have them share one player: then the newest control has it). Where no runtime is
// installed there is no factory at all, and Flash items are skipped like items that cannot be
// shown.

#include "base/Result.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace vorlandite::platform {

// The movie value that unloads the movie.
inline constexpr const char* kNoMovie = "none";
// An empty path means no movie either.
inline bool IsNoMovie(const std::string& path) { return path.empty() || path == kNoMovie; }

class IFlashControl {
public:
    virtual ~IFlashControl() = default;
    // The movie file's path; "none" unloads the movie.
    virtual void SetMovie(const std::string& path) = 0;
    virtual std::string Movie() const = 0;
    virtual void SetPlaying(bool playing) = 0;
    virtual bool Playing() const = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // False once the movie's timeline has stopped (a movie that loops plays on).
    virtual bool IsPlaying() const = 0;
    // Where the control sits on the display panel, in the panel's coordinates.
    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Off: the movie receives no mouse input, so mouse movement reaches the show and ends it.
    virtual void SetInputEnabled(bool enabled) = 0;
};

class IFlashControlFactory {
public:
    virtual ~IFlashControlFactory() = default;
    // A new control on the display panel, hidden. Fails when the runtime cannot be started.
    virtual Result<std::unique_ptr<IFlashControl>> CreateFlashControl() = 0;
    // The show holds Flash items: the runtime may start now, unseen, so that the first movie
    // does not wait for it. Nothing by default.
    virtual void Prepare() {}
};

// The Flash runtime is a plugin (kFlashPluginFile) in a folder with the player's files in
// "ruffle/". It is looked for in $VORLANDITE_FLASH_RUNTIME when that is set ("" or "none": no
// runtime), else in the folder built into this copy of the engine: the installed runtime
// (<prefix>/lib/vorlandite/flash) for an installed engine and the screensavers made from it, the
// build tree's for an engine in its build tree. Never beside the running program.
inline constexpr char kFlashPluginFile[] = "libvorlandite_flash.so";
std::optional<std::string> FindFlashRuntime();

// The folder built into this copy of the engine ("" when none). The install step rewrites it in
// place, so it has a fixed capacity, terminating zero included.
inline constexpr std::size_t kFlashRuntimeDirCapacity = 1024;
std::string BuiltInFlashRuntimeDir();

// Whether a runtime is there; without one the show runs without its Flash items.
bool FlashRuntimeInstalled();

// Makes the runtime available when it can be. On this platform there is nothing a payload could
// install: it only tells whether a runtime is there.
bool RegisterFlashControl();

} // namespace vorlandite::platform
