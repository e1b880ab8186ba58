// Writes a seed corpus of registry files for the registry fuzzer.
// Usage: make_seeds_regfile CORPUS_ROOT  (writes CORPUS_ROOT/regfile/seed-N)

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds_regfile CORPUS_ROOT\n");
        return 2;
    }
    std::filesystem::path folder = std::filesystem::path(argv[1]) / "regfile";
    std::filesystem::create_directories(folder);
    const std::string seeds[] = {
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quenmore\\My Show]\n\"Seconds\"=dword:0000000c\n"
        "\"Effect\"=\"AB\\\\C\\\"\"\n\"Odd\"=hex(1):41,0a,e9,00\n",
        "REGEDIT4\r\n; a comment\r\n[hkey_current_user\\software]\r\n@=\"default\"\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Gone]\n[HKEY_CURRENT_USER\\A\\B]\n\"x\"=-\n\"Path\"=\"C:\\dir\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"n\"=hex(2):25,00\n\"d\"=hex(4):01,00,00,00 ; trailing\n",
    };
    int n = 0;
    for (const std::string& seed : seeds) {
        std::ofstream out(folder / ("seed-" + std::to_string(++n)), std::ios::binary);
        out << seed;
    }
    return 0;
}
