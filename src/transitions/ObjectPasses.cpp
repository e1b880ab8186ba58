#include "transitions/ObjectPasses.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"


namespace vorlandite::transitions {
namespace {

// Left, top and right all 0: the mark of an object that produced nothing this step.
bool ProducedNothing(const raster::Rect& rect) { return rect.left == 0 && rect.top == 0 && rect.right == 0; }

} // namespace

bool RunSlidePass(TTransThread& thread, std::span<TSlide> slides, std::span<TFold> bands) {
    bool more = false;
    for (TSlide& slide : slides) {
        more |= slide.Step();
        if (ProducedNothing(slide.SourceRect()))
            continue;
        thread.SetRects(slide.SourceRect(), slide.DestinationRect());
        if (slide.Source() == &thread.Old())
            thread.CopyFromOld();
        else
            thread.CopyFromNew();
    }
    for (TFold& band : bands) {
        more |= band.Step();
        if (ProducedNothing(band.Rect()))
            continue;
        thread.SetRects(band.Rect(), band.Rect());
        thread.CopyFromNew();
    }
    return more;
}

bool RunBandPass(TTransThread& thread, std::span<TFold> bands) {
    bool more = false;
    for (TFold& band : bands) {
        more |= band.Step();
        thread.SetRects(band.Rect(), band.Rect());
        thread.CopyFromNew();
    }
    return more;
}

bool RunZoomPass(TTransThread& thread, std::span<TZoom> zooms) {
    bool more = false;
    // Pixel replication: a bilinear stretch of a full-HD frame costs about three times as much,
    // more than a frame may take.
    const raster::DrawOptions stretch;
    for (TZoom& zoom : zooms) {
        more |= zoom.Step();
        if (zoom.Source())
            raster::StretchBitmap(thread.Work(), zoom.DestinationRect(), *zoom.Source(), zoom.SourceRect(), stretch);
        thread.SetRects(zoom.DestinationRect(), zoom.DestinationRect());
        thread.CopyFromWork();
    }
    return more;
}

bool RunFadeBandPass(TTransThread& thread, std::span<TFold> bands, std::span<TFoldFade> softBands) {
    const bool more = RunBandPass(thread, bands);
    raster::TBitmap32& work = thread.Work();
    for (TFoldFade& soft : softBands) {
        soft.Step();
        const raster::Rect rect = soft.Rect();
        raster::StretchBitmap(work, rect, thread.Old(), rect, raster::DrawOptions{});
        // Only the band's rectangle is presented, so the blend is limited to it; the fade
        // surface keeps its own origin at the rectangle's top-left corner.
        const raster::TBitmap32& fade = soft.FadeSurface();
        const raster::Rect blended =
            Intersect(Intersect(rect, {rect.left, rect.top, rect.left + fade.Width(), rect.top + fade.Height()}),
                      work.BoundsRect());
        if (!blended.IsEmpty())
            for (int y = blended.top; y < blended.bottom; ++y)
                raster::BlendRow(fade.Scanline(y - rect.top).data() + (blended.left - rect.left),
                                 work.Scanline(y).data() + blended.left, std::size_t(blended.Width()));
        thread.SetRects(rect, rect);
        thread.CopyFromWork();
    }
    return more;
}

} // namespace vorlandite::transitions
