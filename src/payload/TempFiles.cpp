#include "payload/TempFiles.h"

namespace vorlandite::payload {

std::string SafeExtension(std::string_view ext) {
    std::string safe(ext);
    for (char& c : safe)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return safe;
}

std::string TempFilePath(std::string_view folder, std::string_view namePart, std::string_view ext) {
    std::string path(folder);
    path += namePart;
    path += SafeExtension(ext);
    return path;
}

std::string_view MaskExtension(unsigned format) {
    switch (format) {
    case 0: return ".bmp";
    case 1: return ".png";
    default: return ".gif";
    }
}

} // namespace vorlandite::payload
