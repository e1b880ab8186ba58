#include "app/StartupReading.h"

#include "base/TimingNotes.h"

#include "payload/SettingsStore.h"
#include "slideshow/order/ItemOrder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vorlandite::app {

Status ReadStartupPayload(payload::ByteSource& source, platform::Registry& registry, bool settingsOnly,
                          StartupPayload& out, const payload::SettingsWarningSink& warn) {
    payload::ContainerReader reader(source);
    payload::Payload& p = out.Payload;

    auto header = reader.ReadTrailer();
    if (!header)
        return header.error();
    p.header = header.value();

    auto strings = reader.ReadStrings(p.header, &p.stringBlockBytes);
    if (!strings)
        return strings.error();
    p.strings = std::move(strings).value();

    // Stored settings are read after the strings (the title names their key) and before the
    // tables, as the configuration dialog also needs them.
    if (Status s = payload::LoadSettings(registry, p.strings.Title, p.header, p.strings, out.UseCustomPlaylist, warn);
        !s)
        return s;
    if (settingsOnly)
        return {};

    auto images = reader.ReadImageTable(p.header);
    if (!images)
        return images.error();
    p.images = std::move(images).value();
    auto masks = reader.ReadMaskTable(p.header);
    if (!masks)
        return masks.error();
    p.masks = std::move(masks).value();
    auto sounds = reader.ReadSoundTable(p.header);
    if (!sounds)
        return sounds.error();
    p.sounds = std::move(sounds).value();
    auto melodies = reader.ReadMelodyTable(p.header);
    if (!melodies)
        return melodies.error();
    p.melodies = std::move(melodies).value();
    return {};
}

void NoteTiming(const char* milestone) { NoteTimingAt(milestone); }

bool PayloadHasFlashItems(const std::string& engineFile) {
    auto source = payload::FileSource::Open(engineFile);
    if (!source)
        return false;
    auto payload = payload::ReadWholePayload(**source);
    if (!payload)
        return false;
    return HoldsFlashItems(payload->images);
}

bool HoldsFlashItems(const std::vector<payload::TKelImageInfo>& images) {
    return std::any_of(images.begin(), images.end(), [](const payload::TKelImageInfo& item) {
        return payload::KindOfExtension(item.Ext) == payload::ItemKind::Flash;
    });
}

bool OpensWithFlash(const payload::Payload& payload) {
    const auto isFlash = [](const payload::TKelImageInfo& item) {
        return payload::KindOfExtension(item.Ext) == payload::ItemKind::Flash;
    };
    const int count = std::min(payload.header.ImageCount, int(payload.images.size()));
    if (count <= 0)
        return false;
    const int order = payload.header.DisplayOrder;
    if (payload.header.FirstItemAtStart || (order != slideshow::kOrderRandom && order != slideshow::kOrderMixed))
        return isFlash(payload.images[0]);
    return std::all_of(payload.images.begin(), payload.images.begin() + count, isFlash);
}

} // namespace vorlandite::app
