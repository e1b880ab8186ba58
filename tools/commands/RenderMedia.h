#pragma once
// Media the demo screensaver carries, made by the project itself rather than taken from
// anywhere: `vorlandite render-tune` synthesises a short tune as a WAV file, `vorlandite
// render-clip` encodes a short test-pattern video as Motion JPEG in AVI (the GStreamer plugins
// the engine plays with encode it too), `vorlandite render-movie` writes a small Flash movie.

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace vorlandite::tools {

// `args` holds the arguments after the command's name.
int RunRenderTune(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int RunRenderClip(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int RunRenderMovie(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The demo's Flash movie: width x height pixels, `seconds` long at 20 frames per second, a
// rectangle crossing the stage, a stop on the last frame.
std::vector<uint8_t> DemoMovie(int width, int height, double seconds);

// The tune as 16-bit mono samples: a pentatonic melody over a bass line, repeated to fill the
// length, faded out at its end.
std::vector<int16_t> SynthesiseTune(double seconds, int sampleRate);

} // namespace vorlandite::tools
