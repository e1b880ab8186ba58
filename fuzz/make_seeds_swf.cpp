// Writes a seed corpus of small Flash movies for the movie reader's fuzzer.
// Usage: make_seeds_swf CORPUS_ROOT  (writes CORPUS_ROOT/swf/seed-N.swf)

#include "formats/swf/SwfWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    namespace swf = vorlandite::swf;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds_swf CORPUS_ROOT\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "swf";
    std::filesystem::create_directories(folder);
    std::vector<swf::SwfRecipe> recipes;
    for (bool compressed : {false, true}) {
        swf::SwfRecipe stopping;
        stopping.compressed = compressed;
        stopping.frames.resize(4);
        stopping.frames.back().stop = true;
        recipes.push_back(stopping);

        swf::SwfRecipe scripted;
        scripted.compressed = compressed;
        scripted.nbits = 31;
        scripted.frames = {swf::SwfFrameRecipe{false, true, true}, swf::SwfFrameRecipe{true, false, false}};
        recipes.push_back(scripted);

        swf::SwfRecipe looping;
        looping.compressed = compressed;
        looping.nbits = 3;
        looping.xmax = looping.ymax = 7;
        looping.frames.resize(2);
        recipes.push_back(looping);
    }
    int n = 0;
    for (const swf::SwfRecipe& recipe : recipes) {
        const std::vector<uint8_t> bytes = swf::WriteSwf(recipe);
        std::ofstream(folder / ("seed-" + std::to_string(++n) + ".swf"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    return 0;
}
