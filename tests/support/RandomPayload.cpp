#include "support/RandomPayload.h"

namespace vorlandite::testing {
namespace {

using namespace payload;

int32_t AnyInt(std::mt19937& rng) { return int32_t(rng()); }
bool AnyFlag(std::mt19937& rng) { return (rng() & 1) != 0; }

std::string AnyText(std::mt19937& rng, std::size_t maxBytes) {
    std::string s(rng() % (maxBytes + 1), '\0');
    for (char& c : s)
        c = char(rng() & 0xFF);
    return s;
}

std::string AnyExtension(std::mt19937& rng, std::size_t room) {
    static const char* kExts[] = {".jpg", ".PNG", ".gif", ".MPEG", ".bmp", ".swf", ".avi", ".mp3", ".Wav", ".tif"};
    std::string e = kExts[rng() % std::size(kExts)];
    return e.size() <= room ? e : e.substr(0, room);
}

std::string AnyEffects(std::mt19937& rng, std::size_t maxCount) {
    std::string s(rng() % (maxCount + 1), '\0');
    for (char& c : s)
        c = char(1 + rng() % 120);
    return s;
}

template <class Record>
void RandomiseFields(std::mt19937& rng, std::span<const Field<Record>> fields, Record& r) {
    for (const auto& f : fields) {
        switch (f.type) {
        case FieldType::Int32: r.*f.i32 = AnyInt(rng); break;
        case FieldType::Flag: r.*f.flag = AnyFlag(rng); break;
        case FieldType::Byte: r.*f.byte = uint8_t(rng()); break;
        case FieldType::Extension: r.*f.text = AnyExtension(rng, f.room); break;
        case FieldType::ShortText: r.*f.text = AnyText(rng, f.room); break;
        case FieldType::Int64AsI32: break;
        }
    }
}

} // namespace

std::vector<uint8_t> RandomBytes(std::mt19937& rng, std::size_t count, bool compressible) {
    std::vector<uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = compressible ? uint8_t((i / 7) % 11 + (rng() % 3 == 0 ? rng() % 4 : 0)) : uint8_t(rng());
    return bytes;
}

PayloadDraft RandomDraft(uint32_t seed, const RandomPayloadOptions& options) {
    std::mt19937 rng(seed);
    PayloadDraft d;
    RandomiseFields(rng, HeaderFields(), d.header);
    for (auto& b : d.header.Reserved)
        b = uint8_t(rng());
    for (const StringSlot& slot : StringSlots())
        d.strings.*slot.member = AnyText(rng, std::size_t(options.maxStringBytes));
    d.strings.EffectList = AnyEffects(rng, 120);

    auto content = [&]() {
        bool compressible = AnyFlag(rng);
        return Content::FromBytes(RandomBytes(rng, rng() % std::size_t(options.maxItemBytes + 1), compressible));
    };
    auto count = [&]() { return int(rng() % std::size_t(options.maxItems + 1)); };

    for (int i = count(); i > 0; --i) {
        DraftItem<TKelImageInfo> item{{}, content(), AnyFlag(rng)};
        RandomiseFields(rng, ImageFields(), item.record);
        item.record.Effect = AnyEffects(rng, kTextRoom);
        d.images.push_back(std::move(item));
    }
    for (int i = count(); i > 0; --i) {
        DraftItem<TKelMelodyInfo> item{{}, content(), AnyFlag(rng)};
        RandomiseFields(rng, MelodyFields(), item.record);
        d.melodies.push_back(std::move(item));
    }
    for (int i = count(); i > 0; --i) {
        DraftItem<TKelMaskInfo> item{{}, content(), AnyFlag(rng)};
        RandomiseFields(rng, MaskFields(), item.record);
        d.masks.push_back(std::move(item));
    }
    for (int i = count(); i > 0; --i) {
        DraftItem<TKelSoundInfo> item{{}, content(), AnyFlag(rng)};
        RandomiseFields(rng, SoundFields(), item.record);
        item.record.Ext = AnyExtension(rng, kSoundExtRoom);
        d.sounds.push_back(std::move(item));
    }
    if (options.optionalSections) {
        for (std::optional<Content>* section : {&d.flashPlayer, &d.preview, &d.configBanner, &d.exitBanner, &d.logo,
                                                &d.background})
            if (AnyFlag(rng))
                *section = content();
    }
    return d;
}

std::vector<uint8_t> BuildScreensaverBytes(const PayloadDraft& draft, std::size_t engineBytes) {
    MemorySink sink;
    std::vector<uint8_t> engine(engineBytes, 0x90);
    (void)sink.Write(engine);
    auto written = WritePayload(draft, sink);
    if (!written)
        return {};
    return std::move(sink.Bytes());
}

} // namespace vorlandite::testing
