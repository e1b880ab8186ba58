#include "ItemPathTarget.h"

#include "payload/ContainerReader.h"
#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/PayloadWriter.h"
#include "payload/TempFiles.h"
#include "slideshow/Background.h"
#include "slideshow/FrameComposer.h"
#include "slideshow/GifAnimation.h"
#include "slideshow/SlideTimers.h"
#include "base/RandomSource.h"

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vorlandite::fuzz {
namespace {

// An item larger than this is not extracted: the show would, but the fuzzer's time and disk
// are better spent on many small inputs than on one that inflates to the limit.
constexpr int64_t kMaxItemBytes = int64_t(8) << 20;
constexpr std::size_t kMaxItemsPerInput = 3;
constexpr int kGifFramesPlayed = 6;

// One private folder per process for the input file and the extracted items, removed at exit
// so that neither the fuzzer nor the tests leave files behind.
class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorlandite-itempath-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            folder_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }
    // Ends with '/'; empty when no folder could be made.
    std::string Folder() const { return folder_.empty() ? std::string() : folder_ + "/"; }

private:
    std::string folder_;
};

const std::string& ScratchFolder() {
    static const Scratch scratch;
    static const std::string folder = scratch.Folder();
    return folder;
}

// Captions are drawn with Qt's fonts, which need a GUI application; the fuzzer has none of its
// own, and a test program may.
void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 3;
    static char name[] = "itempath", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static QGuiApplication application(argc, argv);
}

bool WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// The one-item screensaver the control bytes describe, around the picture that follows them.
std::vector<uint8_t> OneItemScreensaver(std::span<const uint8_t> bytes) {
    static const char* const kExtensions[] = {".jpg", ".png", ".tif", ".gif", ".bmp", ".ico", ".jpeg", ".tiff"};
    uint8_t control[4] = {};
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        control[i] = bytes[i];
    const auto picture = bytes.size() > 4 ? bytes.subspan(4) : std::span<const uint8_t>();

    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.GradientStyle = control[3] & 1 ? 1 + (control[3] >> 1) % 8 : 0;
    draft.header.BackgroundColor = 0x00402010;
    draft.header.BackgroundColor2 = 0x00F0C080;
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = kExtensions[control[0] & 7];
    item.record.Stretch = control[1] % 8 - 1;
    item.compressed = control[2] & 1;
    if (control[2] & 2) {
        item.record.Text = "Caption";
        item.record.TextPosition = control[1] >> 4;
        item.record.TextSize = 10;
    }
    item.record.ImageFilter = (control[2] >> 2) & 7;
    item.content = payload::Content::FromBytes(std::vector<uint8_t>(picture.begin(), picture.end()));
    draft.images.push_back(std::move(item));

    payload::MemorySink sink;
    if (!payload::WritePayload(draft, sink))
        return {};
    return std::move(sink.Bytes());
}

// A few frames of an animated item, drawn onto the picture bitmap as the show's GIF timer would.
void PlayGifFrames(const slideshow::ComposedPicture& composed, const raster::TBitmap32& backdrop,
                   const payload::TKelImageInfo& item) {
    slideshow::VirtualTimerClock clock;
    slideshow::VirtualTimer timer(clock);
    slideshow::GifAnimation animation(timer);
    if (!animation.LoadGif(composed.gif))
        return;
    raster::TBitmap32 target = composed.frame;
    animation.SetStage(slideshow::GifStage{&backdrop, composed.placement, &target, uint32_t(item.ImageFilter),
                                           composed.mask ? &*composed.mask : nullptr});
    animation.AnimateGif();
    for (int i = 0; i < kGifFramesPlayed && clock.RunNext(); ++i) {
    }
    animation.StopGif();
}

void ShowItems(const std::string& screensaver, payload::Payload& content) {
    SeededRandom random(1);
    const std::string& temp = ScratchFolder();
    uint32_t windowColour = 0;
    auto background = slideshow::BuildBackground(content.header, kItemPathWidth, kItemPathHeight, random,
                                                 slideshow::BackgroundSources{nullptr, screensaver, temp},
                                                 windowColour);
    if (!background)
        return;
    const raster::TBitmap32 noLogo;
    const slideshow::FrameContext context{content.header, content.images, content.masks, background->bitmap,
                                          noLogo, kItemPathWidth, kItemPathHeight, screensaver, temp, random};
    for (std::size_t index = 0; index < content.images.size() && index < kMaxItemsPerInput; ++index) {
        const payload::TKelImageInfo& item = content.images[index];
        const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
        if (kind == payload::ItemKind::Video || kind == payload::ItemKind::Flash || item.Size > kMaxItemBytes)
            continue;
        std::optional<raster::TBitmap32> backdrop;
        if (kind == payload::ItemKind::Gif) {
            auto made = slideshow::ComposeGifBackdrop(context, int(index));
            if (!made)
                continue;
            backdrop = std::move(made).value();
        }
        const std::string file = payload::TempFilePath(temp, payload::kItemFile, item.Ext);
        (void)payload::ExtractItem(screensaver, file, item.StoredSize > 0, payload::ItemPosition(content.header, item),
                                   item.StoredSize, item.Size);
        auto composed = slideshow::ComposePictureFrame(context, int(index), file);
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        if (composed && composed->isGif && composed->gif && backdrop)
            PlayGifFrames(*composed, *backdrop, item);
    }
}

} // namespace

void RunItemPath(std::span<const uint8_t> bytes) {
    if (ScratchFolder().empty())
        return;
    EnsureGuiApplication();
    // The payload is read from a file, as the engine reads itself, so that masks and the
    // background picture come from the same place as in the show.
    const std::string screensaver = ScratchFolder() + "input.scr";
    std::optional<payload::Payload> content;
    {
        payload::MemorySource source(bytes);
        if (auto read = payload::ReadWholePayload(source); read && !read->images.empty()) {
            if (!WriteFile(screensaver, bytes))
                return;
            content = std::move(read).value();
        }
    }
    if (!content) {
        const std::vector<uint8_t> made = OneItemScreensaver(bytes);
        payload::MemorySource source(made);
        auto read = payload::ReadWholePayload(source);
        if (!read || !WriteFile(screensaver, made))
            return;
        content = std::move(read).value();
    }
    ShowItems(screensaver, *content);
}

} // namespace vorlandite::fuzz
