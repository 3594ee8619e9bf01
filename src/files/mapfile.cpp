#include "files/mapfile.h"

#include <filesystem>
#include <system_error>

#include "files/regularfile.h"

namespace vantrel {

const FileRecord omapn{"Fractint .map files (*.map)",
                       "*.map",
                       "Select a Fractint .MAP File",
                       "map",
                       FileRecord::open,
                       &State::mapfile,
                       &State::mapfiletitle};
const FileRecord stgan{"Targa files (*.tga)",
                       "*.tga",
                       "Select a file for saving your image:",
                       "tga",
                       FileRecord::save,
                       &State::tgafile,
                       &State::tgafiletitle};
const FileRecord ovtln{"VTL files (*.vtl)",
                       "*.vtl",
                       "Select an VTL parameter file:",
                       "vtl",
                       FileRecord::open,
                       &State::ovtlfile,
                       &State::ovtlfiletitle};
const FileRecord svtln{"VTL files (*.vtl)",
                       "*.vtl",
                       "Select a file for saving parameters:",
                       "vtl",
                       FileRecord::save,
                       &State::svtlfile,
                       &State::svtlfiletitle};

void InitOpenFile(State& s) {
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    // Without a current directory the dialogs start wherever the host likes.
    if (ec) {
        s.mapfile = omapn.pattern;
        s.tgafile = stgan.pattern;
        return;
    }
    s.mapfile = (here / omapn.pattern).string();
    s.tgafile = (here / stgan.pattern).string();
}

namespace {

constexpr int piece = 99;  // characters of a line taken at a time

// The next piece of a line: up to and including its newline, but at most `piece`
// characters. CR LF counts as one newline, so that files written on Windows read
// as they do there. False at the end of the file or on a read error.
bool nextpiece(std::FILE* f, std::string& line) {
    line.clear();
    while (static_cast<int>(line.size()) < piece) {
        int c = std::fgetc(f);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::fgetc(f);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, f);
            }
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One integer as the C library's "%d" takes it (blanks, a sign, at least one digit),
// kept to its low 8 bits however many digits it has.
bool integer(const char*& p, unsigned char& into) {
    while (space(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    unsigned v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = (v * 10 + static_cast<unsigned>(*p - '0')) & 0xFF;
    into = static_cast<unsigned char>(negative ? (256 - v) & 0xFF : v);
    return true;
}

// "%d %d %d" on one piece; the piece ends at its first zero byte as a C string would.
bool entry(const std::string& line, std::array<unsigned char, 3>& rgb) {
    const char* p = line.c_str();
    return integer(p, rgb[0]) && integer(p, rgb[1]) && integer(p, rgb[2]);
}

}  // namespace

int readmap(std::FILE* file, Palette& into) {
    std::string line;
    int i = 0;
    for (; i < 256; ++i) {
        if (!nextpiece(file, line)) break;
        if (!entry(line, into[i])) return 1;
    }
    // A folder opens like a file on some systems and then fails on the first read.
    if (std::ferror(file)) return 1;
    for (; i < 256; ++i) into[i] = {0, 0, 0};
    return 0;
}

int OpenMapFile(State& s) {
    // The path is used as the dialog chose it: names keep their case here.
    const FilePtr file = openregular(s.mapfile);
    if (!file) return 1;
    return readmap(file.get(), s.paltemp);
}

}  // namespace vantrel
