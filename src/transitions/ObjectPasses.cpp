#include "transitions/ObjectPasses.h"

#include "raster/BitmapBlend.h"
#include "raster/BitmapDraw.h"


namespace vorlandite::transitions {
namespace {

// Left, top and right all 0: the mark of an object that produced nothing this step.
bool ProducedNothing(const raster::TRect& rect) { return rect.Left == 0 && rect.Top == 0 && rect.Right == 0; }

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
    const raster::TDrawOptions stretch;
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
        const raster::TRect rect = soft.Rect();
        raster::StretchBitmap(work, rect, thread.Old(), rect, raster::TDrawOptions{});
        // Only the band's rectangle is presented, so the blend is limited to it; the fade
        // surface keeps its own origin at the rectangle's top-left corner.
        const raster::TBitmap32& fade = soft.FadeSurface();
        const raster::TRect blended =
            Intersect(Intersect(rect, {rect.Left, rect.Top, rect.Left + fade.Width(), rect.Top + fade.Height()}),
                      work.BoundsRect());
        if (!blended.IsEmpty())
            for (int y = blended.Top; y < blended.Bottom; ++y)
                raster::BlendRow(fade.Scanline(y - rect.Top).data() + (blended.Left - rect.Left),
                                 work.Scanline(y).data() + blended.Left, std::size_t(blended.Width()));
        thread.SetRects(rect, rect);
        thread.CopyFromWork();
    }
    return more;
}

} // namespace vorlandite::transitions
