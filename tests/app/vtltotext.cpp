// Writes the text parameter file of a binary parameter file to stdout, so that a
// test can give both kinds of file the same view: vtltotext FILE.vtl
#include <cstdio>
#include <fstream>
#include <string>

#include "files/textparams.h"
#include "files/vtl.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vtltotext FILE.vtl\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    vantrel::ParamBytes bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    const vantrel::PARAM p = vantrel::decodeparam(bytes);
    if (!in || in.peek() != std::char_traits<char>::eof() || !vantrel::validparam(p)) {
        std::fprintf(stderr, "vtltotext: %s is not a parameter file\n", argv[1]);
        return 1;
    }
    std::fputs(vantrel::encodetext(vantrel::TextParams{p, {}, {}, {}}).c_str(), stdout);
    return 0;
}
